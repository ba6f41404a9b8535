#pragma once
// Reads JPEG files and writes 256-colour and true-colour pictures as
// baseline JPEG files.
//
// Reading takes baseline, progressive and arithmetic-coded files:
// - grey pictures become 8-bit bitmaps with a 256-grey palette, the index
//   being the sample;
// - YCbCr and RGB pictures become 24-bit bitmaps;
// - CMYK and YCCK pictures become 24-bit RGB bitmaps, each colour being
//   (255 - C)(255 - K) / 255 and so on; Adobe's inverted CMYK is undone first;
// - the EXIF orientation (1 to 8) is applied, so the picture stands upright.
// Colour profiles are not applied. A file whose data ends before its picture
// does is refused. Read errors are shown under "JPEG Error"; the writer's
// messages keep the caption "JPG Error".

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TJpgIntf : public TGIntf {
public:
    TJpgIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    // Returns 1 on success. The file is replaced only when the whole picture
    // was compressed; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;
};
