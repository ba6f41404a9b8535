#pragma once
// The facade through which the program opens and saves pictures.

#include "pictrans/Export.h"
#include "platform/Bitmap.h"
#include "platform/BitmapInfo.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <memory>
#include <optional>
#include <string>

// Format codes.
inline constexpr int GFORMAT_UNOPENABLE = -1;
inline constexpr int GFORMAT_UNKNOWN = 0;
inline constexpr int GFORMAT_BMP = 1;
inline constexpr int GFORMAT_PCX = 2;
inline constexpr int GFORMAT_GIF = 3;
inline constexpr int GFORMAT_JPEG = 4;
// 5 is the program's code for depth map files.
inline constexpr int GFORMAT_PNG = 6;

class PICTRANS_API TGraphIO {
public:
    TGraphIO(platform::Window* status, platform::Window* owner);
    virtual ~TGraphIO();
    TGraphIO(const TGraphIO&) = delete;
    TGraphIO& operator=(const TGraphIO&) = delete;

    static void GetVersionString(char* buffer); // "PICTRANS v2.0"
    int GetGraphicFormat(const std::string& fileName);
    int SetGraphicFormat(int format);
    // The palette of the picture read last; the caller takes it. Empty for a
    // true-colour picture, null when nothing was read.
    std::unique_ptr<platform::Palette> GetPalette();
    // The 16-bit samples of the picture read last when it was a 16-bit grey
    // or grey-with-alpha PNG; the caller takes them. Null for any other picture.
    std::unique_ptr<platform::Grey16Image> GetGrey16();
    // Detects the format by content and reads the file; null (after a
    // message to the owner) when it cannot be opened, is of no known format
    // or is refused by its reader.
    std::unique_ptr<platform::Bitmap> Read_File(const std::string& fileName);
    int Write_File(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                   const platform::Palette* palette);
    // The information block of a bitmap; kept by this object until the next call.
    const platform::BITMAPINFO* GetBitmapInfo(const platform::Bitmap& bitmap, const platform::Palette* palette);

private:
    platform::Window* owner_;
    platform::Window* status_;
    std::unique_ptr<platform::Palette> palette_;
    std::unique_ptr<platform::Grey16Image> grey16_;
    int format_ = GFORMAT_UNKNOWN;
    std::optional<platform::BITMAPINFO> info_;
};
