#pragma once
// Reads and writes PNG files.
//
// Reading takes every colour type and bit depth, interlaced or not:
// - palette pictures (1 to 8 bits) become 8-bit bitmaps with the file's
//   palette, padded with black when a pixel names an entry beyond it;
// - grey pictures of 1 to 8 bits become 8-bit bitmaps with a grey palette of
//   one entry per level, the index being the sample itself;
// - 16-bit grey and grey with alpha become 8-bit bitmaps with a 256-grey
//   palette; the full 16-bit samples are kept as well (TakeGrey16, from
//   TGIntf);
// - colour pictures (with or without alpha, 8 or 16 bits) become 24-bit bitmaps.
// Transparency (an alpha channel or a tRNS chunk) is dropped onto black: each
// colour is multiplied by its opacity. Gamma and colour-space chunks are not
// applied: samples are taken as they are stored.
//
// Writing makes a palette PNG of a 1, 4 or 8-bit picture (at its own depth)
// and an 8-bit RGB PNG of a 24-bit one; a 16-bit grey PNG of the samples
// SetGrey16 gave, when it gave any. The file is written through a
// temporary, so a failed write leaves no partial file and any old file untouched.

#include "pictrans/Export.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"
#include "platform/Grey16.h"

#include <memory>
#include <string>

class PICTRANS_API TPngIntf : public TGIntf {
public:
    TPngIntf(platform::Window* status, platform::Window* owner);

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

    // Writes image as a 16-bit grey PNG (a depth picture), replacing a file
    // only when everything was written, as WriteFile does. 1 on success.
    int WriteGrey16File(const std::string& fileName, const platform::Grey16Image& image);
    int WriteGrey16Stream(OutStream& out, const platform::Grey16Image& image);

    // zlib compression level of written files (0 to 9).
    static constexpr int kCompressionLevel = 6;
};
