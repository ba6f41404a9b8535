#pragma once
// What a save writes for a picture in a given format: true-colour pictures
// (stereograms of the hidden-surface method) stay true colour in the formats
// that hold true colour (BMP, JPEG, PNG, ...); formats that hold only
// palette pictures (GIF, PCX) get the nearest colours of the picture's
// palette (the pattern's).

#include "platform/Bitmap.h"
#include "platform/BitmapInfo.h"
#include "platform/Palette.h"

#include <memory>

namespace app {

struct PictureToWrite {
    const platform::Bitmap* bitmap = nullptr;
    platform::BITMAP description;
    std::unique_ptr<platform::Bitmap> reduced; // owns bitmap when it had to be made

    PictureToWrite() = default;
    PictureToWrite(PictureToWrite&&) = default;
    PictureToWrite& operator=(PictureToWrite&&) = default;
};

// The picture as the format's writer should get it: for a palette-only format a
// 24-bit picture becomes an 8-bit copy in the nearest entries of palette
// (lowest index on a tie); anything else is passed on as it is. bitmap is
// null only when memory for the copy runs out.
PictureToWrite pictureForFormat(const platform::Bitmap& picture, const platform::BITMAP& description,
                                const platform::Palette* palette, int format);

// Every pixel of a 24-bit picture as the index of the nearest palette entry.
std::unique_ptr<platform::Bitmap> nearestColours(const platform::Bitmap& picture, const platform::Palette& palette);

} // namespace app
