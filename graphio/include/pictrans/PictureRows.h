#pragma once
// What the writers need of a picture: its rows as colour indices or as RGB,
// what kind of palette it has, and the write through a temporary file that
// leaves an existing file untouched when anything fails.

#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pictrans {

class PictureRows {
public:
    // palette may be null or empty: an indexed picture then takes the
    // library's device colours for its depth.
    PictureRows(const platform::Bitmap& bitmap, const platform::Palette* palette);

    int width() const { return bitmap_.width(); }
    int height() const { return bitmap_.height(); }
    bool indexed() const { return bitmap_.bitsPerPixel() != 24; }
    int depth() const { return bitmap_.bitsPerPixel(); }
    bool hadPalette() const { return hadPalette_; }
    // The colour table, with an entry (black) for every index a pixel may name.
    const std::vector<platform::PALETTEENTRY>& colours() const { return colours_; }
    // Every colour of the table is a grey; black and white only.
    bool grey() const { return grey_; }
    bool blackAndWhite() const { return blackWhite_; }

    // Row y from the top: width indices (indexed pictures only).
    void indices(int y, std::uint8_t* out) const;
    // Row y from the top: width x 3 bytes red, green, blue.
    void rgb(int y, std::uint8_t* out) const;
    // Row y from the top as one grey byte a pixel (grey pictures).
    void greys(int y, std::uint8_t* out) const;

private:
    const platform::Bitmap& bitmap_;
    std::vector<platform::PALETTEENTRY> colours_;
    mutable std::vector<std::uint8_t> scratch_;
    bool hadPalette_ = false;
    bool grey_ = false;
    bool blackWhite_ = false;
};

// Writes fileName through a temporary: asks before replacing a file, opens
// the temporary, lets write fill it (returning non-zero on success, after a
// message of its own otherwise) and puts it in place. Returns 1 on success;
// on any failure an existing file stays as it was.
int writeThroughTemporary(TGIntf& intf, const std::string& fileName, const std::function<int(OutStream&)>& write);

} // namespace pictrans
