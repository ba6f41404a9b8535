#pragma once
// Reads and writes the netpbm formats: PBM (P1, P4), PGM (P2, P5), PPM (P3,
// P6) and PAM (P7: BLACKANDWHITE, GRAYSCALE, RGB and their _ALPHA kinds),
// plain (decimal text) and raw, any maximum value from 1 to 65535. A file of
// several pictures gives its first.
//
// Reading:
// - PBM becomes a 1-bit bitmap with the palette black, white (PBM's 1 is
//   black: it is index 0);
// - grey of a maximum value up to 255 becomes an 8-bit bitmap with one grey
//   per value (value v shows v * 255 / maxval, rounded), the index being the
//   sample; above 255 an 8-bit bitmap of 256 greys, and the samples scaled
//   exactly to 16 bits, (v * 65535 + maxval / 2) / maxval, kept (TakeGrey16);
// - colour becomes a 24-bit bitmap, each sample scaled to 0 to 255, rounded;
// - alpha is dropped onto black (each colour multiplied by its opacity).
// A sample above the maximum value counts as the maximum value.
//
// Writing: a 1-bit picture of black and white as PBM (P4), a picture of
// greys as PGM (P5), anything else as PPM (P6), all of maximum value 255.
// A file name ending in ".pam" gets PAM (P7) of the same kinds. Samples
// given by SetGrey16 are written as 16-bit grey (maximum value 65535).

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

class PICTRANS_API TPnmIntf : public TGIntf {
public:
    TPnmIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    // Returns 1 on success; a refused or failed write leaves an existing file unchanged.
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;
    int WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette, bool pam);
};
