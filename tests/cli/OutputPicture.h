#pragma once
// Reads back a picture the program wrote, with its palette, through the
// graphics library.

#include "pictrans/TGraphIO.h"
#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <memory>
#include <string>

struct Picture {
    std::unique_ptr<platform::Bitmap> bitmap;
    std::unique_ptr<platform::Palette> palette;
};

inline Picture readPicture(const std::string& file)
{
    TGraphIO io(nullptr, nullptr);
    Picture p;
    p.bitmap = io.Read_File(file);
    p.palette = io.GetPalette();
    return p;
}
