#pragma once
// Reads and writes Windows BMP files.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TBmpIntf : public TGIntf {
public:
    TBmpIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    // Returns 1 on success. The file is replaced only when everything was
    // written; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;

    // The two halves of the work on streams, so that pictures can be read
    // from and written to memory as well.
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    int WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                    const platform::Palette* palette);
};
