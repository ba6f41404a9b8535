#pragma once
// Reads and writes PCX files.
//
// Reading takes 1 to 4 bits in one-bit planes or one packed plane (a bitmap
// of 1 or 4 bits, colours from the header's table padded with black), 8 bits
// in one plane (colours from the 256-colour table at the end of the file, or
// a grey ramp when the file has none) and 24 bits as three 8-bit planes (a
// 24-bit bitmap without palette). Bytes per line must cover the width; a
// file whose image data ends early is refused.
//
// Writing makes 1-bit, 4-bit (four 1-bit planes) or 8-bit files; an 8-bit
// file always carries its 256-colour table. The file is written through a
// temporary, so a failed write leaves no partial file and any old file
// untouched.

#include "pictrans/Export.h"
#include "pictrans/PcxHeader.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

#include <memory>
#include <string>

class PICTRANS_API TPcxIntf : public TGIntf {
public:
    TPcxIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;

    // Reads the 128-byte header of a file into header(); 1 when it was read
    // whole, else 0 (nothing is shown).
    int ReadHeader(const std::string& fileName);
    // Sets the header's fields for a picture of bm's size and depth and
    // writes it; 0, or -1 when the stream failed.
    int WriteHeader(OutStream& out, const platform::BITMAP& bm);
    // Reads a PCX from a stream holding the whole file.
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in);
    // Writes the PCX into a byte sink (what WriteFile does after the
    // overwrite question, without the file); 1 on success.
    int WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                    const platform::Palette* palette);

    const PCXHEADER& header() const { return header_; }

protected:
    // Reads the image described by header() from the whole file in in.
    std::unique_ptr<platform::Bitmap> ReadImage(InStream& in);

private:
    // Writes to the named file through a temporary, or else to sink.
    int Write(const std::string* fileName, OutStream* sink, const platform::BITMAP& bm,
              const platform::Bitmap* bitmap, const platform::Palette* palette);

    PCXHEADER header_;
};
