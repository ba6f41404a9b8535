#pragma once
// Reads and writes TIFF files through libtiff, from and into memory.
//
// Reading takes the first page: uncompressed, PackBits, LZW, Deflate or JPEG
// data, in strips or tiles, of
// - grey of 1 to 16 bits (black or white as zero): up to 8 bits an 8-bit
//   bitmap with one grey per level, the index being the level; 16 bits an
//   8-bit bitmap of 256 greys with the 16-bit samples kept (TakeGrey16);
// - palette pictures of 1 to 8 bits: an 8-bit bitmap with the file's colours;
// - RGB of 8 or 16 bits: a 24-bit bitmap;
// - anything else libtiff can show (separate planes, CMYK, YCbCr, other bit
//   depths) as its 24-bit RGB.
// An alpha channel is dropped onto black (premultiplied alpha as it stands,
// unassociated alpha multiplied in); a picture's Orientation tag is not applied.
//
// Writing makes Deflate-compressed files: palette pictures as palette TIFFs
// at their own depth, 24-bit ones as RGB, and 16-bit grey when SetGrey16
// gave samples.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TTiffIntf : public TGIntf {
public:
    TTiffIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    // Returns 1 on success; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;
    int WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette);
};
