#pragma once
// Reads and writes Windows BMP files. Pictures of 1, 4 and 8 bits per pixel
// are read at their own depth with their colour table as the palette;
// true-colour files (16, 24 or 32 bits, plain or with colour masks) become
// 24-bit bitmaps with an empty palette. Writing takes 1, 4, 8 and 24 bits.

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
    // What goes before the rows: the file header, the information header
    // and the colour table of an uncompressed picture of width × height at
    // depth (1, 4, 8 or 24 bits) with palette, sizes filled in. The rows
    // follow it, bottom row first, each padded to four bytes. Returns 1 on
    // success.
    int WriteHeader(OutStream& out, int width, int height, int depth, const platform::Palette* palette);

private:
    // Uncompressed rows at a depth the bitmap holds (1, 4, 8 or 24 bits) are
    // the bitmap's own rows: copied straight in, the bits past the width
    // cleared, and the input given back as it is passed.
    std::unique_ptr<platform::Bitmap> readPlainRows(InStream& in, std::size_t pixelOffset, int width, int height,
                                                    int bitsPerPixel, bool topDown,
                                                    const std::vector<platform::PALETTEENTRY>& entries);
};
