#pragma once
// One background pattern of the pattern library: a node of the library's
// list that owns the pattern picture and its palette.

#include "platform/Bitmap.h"
#include "platform/LinkObj.h"
#include "platform/Palette.h"

#include <memory>

namespace engine {

class TPattObj : public platform::TLinkObj {
public:
    // Takes both; either may be null (a node without a picture is never made
    // by the library, but the node itself does not insist).
    TPattObj(std::unique_ptr<platform::Bitmap> bitmap, std::unique_ptr<platform::Palette> palette);
    // Deletes the palette, then the bitmap.
    ~TPattObj() override;

    const platform::Bitmap* GetBitmap() const { return bitmap_.get(); }
    const platform::Palette* GetPalette() const { return palette_.get(); }

    // The neighbours as pattern nodes (every node of the library's list is one).
    TPattObj* NextPattern() const { return static_cast<TPattObj*>(GetNext()); }

private:
    // Declared in this order so that the palette goes first on destruction.
    std::unique_ptr<platform::Bitmap> bitmap_;
    std::unique_ptr<platform::Palette> palette_;
};

} // namespace engine
