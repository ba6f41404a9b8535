#pragma once
// Reads and writes GIF files.
//
// Reading takes the first image of the file. The bitmap has that image's own
// size (its place on the logical screen is not kept) and the depth that holds
// its colour table: 1 bit for 2 colours, 4 bits for up to 16, 8 bits for up
// to 256, the palette padded with black to the full depth. The image's local
// colour table, when it has one, gives its colours; else the global table;
// else the 16 default colours. Extension blocks are skipped, interlaced rows
// are put in their places, and a file whose image data is cut short or
// broken is refused.
//
// Writing makes a GIF87a file of one image at 1, 4 or 8 bits with a global
// colour table of the full depth. The file is written through a temporary,
// so a failed write leaves no partial file and any old file untouched.

#include "pictrans/Export.h"
#include "pictrans/GifRecords.h"
#include "pictrans/Stream.h"
#include "pictrans/TGIntf.h"

#include <memory>
#include <string>
#include <vector>

class PICTRANS_API TGifIntf : public TGIntf {
public:
    TGifIntf(platform::Window* status, platform::Window* owner);

    std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName) override;
    int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                  const platform::Palette* palette) override;

    // Reads a GIF from a stream positioned at its header (what ReadFile does
    // after opening the file). image picks which image of the file is read,
    // 0 being the first; the images before it are skipped unread, so of an
    // animation whose frames are stored whole this is frame number image.
    std::unique_ptr<platform::Bitmap> ReadStream(InStream& in, int image = 0);
    // Writes the GIF into a byte sink (what WriteFile does after the
    // overwrite question, without the file); 1 on success.
    int WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                    const platform::Palette* palette);

protected:
    // Reads the image whose "," introducer was just consumed.
    std::unique_ptr<platform::Bitmap> PaintImage(InStream& in);

private:
    // Writes to the named file through a temporary, or else to sink.
    int Write(const std::string* fileName, OutStream* sink, const platform::BITMAP& bm,
              const platform::Bitmap* bitmap, const platform::Palette* palette);
    // Skips an extension block whose "!" was just consumed; false when the
    // file ends inside it.
    static bool SkipExtension(InStream& in);
    // Skips an image whose "," was just consumed: descriptor, local colour
    // table and data blocks. False when the file ends inside it.
    static bool SkipImage(InStream& in);

    std::vector<platform::PALETTEENTRY> globalColors_;
};
