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

// Format codes. Each format's facts (names, extensions, MIME types, its
// detector, reader and writer, what it holds) are in pictrans/GraphicFormats.h.
inline constexpr int GFORMAT_UNOPENABLE = -1;
inline constexpr int GFORMAT_UNKNOWN = 0;
inline constexpr int GFORMAT_BMP = 1;
inline constexpr int GFORMAT_PCX = 2;
inline constexpr int GFORMAT_GIF = 3;
inline constexpr int GFORMAT_JPEG = 4;
// 5 is the program's code for depth map files.
inline constexpr int GFORMAT_PNG = 6;
inline constexpr int GFORMAT_WEBP = 7;
inline constexpr int GFORMAT_TIFF = 8;
inline constexpr int GFORMAT_PNM = 9;

class PICTRANS_API TGraphIO {
public:
    TGraphIO(platform::Window* status, platform::Window* owner);
    virtual ~TGraphIO();
    TGraphIO(const TGraphIO&) = delete;
    TGraphIO& operator=(const TGraphIO&) = delete;

    static void GetVersionString(char* buffer); // "PICTRANS v2.0"
    int GetGraphicFormat(const std::string& fileName);
    // The format code the next Write_File uses; returns the previous one.
    // A code without a writer in the table writes BMP.
    int SetGraphicFormat(int format);
    // The palette of the picture read last; the caller takes it. Empty for a
    // true-colour picture, null when nothing was read.
    std::unique_ptr<platform::Palette> GetPalette();
    // The 16-bit samples of the picture read last when its file held more
    // than 8 bits of grey (a 16-bit grey PNG, for one); the caller takes
    // them. Null for any other picture.
    std::unique_ptr<platform::Grey16Image> GetGrey16();
    // The true depth of one sample in the file read last, which the bitmap
    // may not show: 16 for a 16-bit PNG (whose bitmap has 8 bits per pixel),
    // 8 for a 24-bit RGB picture, 1 to 8 for a palette picture's index.
    // 0 when nothing was read. `dotscape info` reports it.
    int GetSourceBits() const { return sourceBits_; }
    // The last Read_File or Write_File gave up because its status window
    // answered a progress report with GSTATUS_STOP (no error was shown; a
    // stopped write left no file and an existing one as it was).
    bool Stopped() const { return stopped_; }
    // The quality lossy writers use, 0 (smallest) to 100 (best); -1, the
    // start, is the format's default (WebP: lossless; JPEG as always).
    void SetQuality(int quality) { quality_ = quality; }
    // 16-bit grey samples (of the bitmap's size) that the next Write_File
    // writes in place of the bitmap's pixels where the format holds them
    // (PNG, TIFF, PNM: a 16-bit grey file); other formats write the bitmap.
    // Not owned; null (the start) writes the bitmap.
    void SetGrey16(const platform::Grey16Image* samples) { grey16Out_ = samples; }
    // Passed to the reader (TGIntf::SetKeepFile): the picture read may stay
    // over its file.
    void SetKeepFile(bool keep) { keepFile_ = keep; }
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
    int sourceBits_ = 0;
    bool stopped_ = false;
    int quality_ = -1;
    const platform::Grey16Image* grey16Out_ = nullptr;
    bool keepFile_ = false;
    std::optional<platform::BITMAPINFO> info_;
};
