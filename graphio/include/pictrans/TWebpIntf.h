#pragma once
// Reads and writes WebP files through libwebp.
//
// Reading takes lossy and lossless files, with or without alpha, and the
// first frame of an animated file (as it shows on its canvas). Pictures
// become 24-bit bitmaps; alpha is dropped onto black (each colour multiplied
// by its opacity, rounded), as PNG's is.
//
// Writing makes a lossless file by default; with a quality of 0 to 100
// (SetQuality) a lossy one. WebP holds at most 16383 x 16383 pixels: a
// larger picture is refused with a message. Palette pictures are written as
// the colours they show.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TWebpIntf : public TGIntf {
public:
    TWebpIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    // Returns 1 on success; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;
    int WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette);

    static constexpr int kMaxSide = 16383;
};
