#pragma once
// The base of the four format interfaces: messages, progress, palettes,
// image memory and the packing of pixel rows.
//
// The picture that crosses the library's boundary is a platform::Bitmap (the
// device bitmap) with a platform::Palette. Window handles are platform::Window
// pointers and may be null: then no box is shown and no status message is
// sent; OverwriteOk without an owner answers No for an existing file (nobody
// can be asked, so nothing is overwritten) and Yes for a new one.

#include "pictrans/Export.h"
#include "platform/Bitmap.h"
#include "platform/BitmapInfo.h"
#include "platform/Grey16.h"
#include "platform/Palette.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The record sent by address with the status message (platform::WM_GRAPHSTATUS).
struct GRAPHSTATUS {
    char text[40];
    std::int32_t done;
    std::int32_t total;
    std::int32_t reserved; // always 0
};

// Kinds of status message (its wParam).
inline constexpr int GSTATUS_TEXT = 1;
inline constexpr int GSTATUS_DONE = 2;
inline constexpr int GSTATUS_PROGRESS = 3;
// The status window's answer to a report that asks the reader to give up
// (the user pressed Stop): the picture counts as not read, and no error is
// shown for it.
inline constexpr std::intptr_t GSTATUS_STOP = 1;

class PICTRANS_API TGIntf {
public:
    TGIntf(platform::Window* status, platform::Window* owner);
    virtual ~TGIntf();
    TGIntf(const TGIntf&) = delete;
    TGIntf& operator=(const TGIntf&) = delete;

    // Reads a file; null on failure (after the error was reported).
    virtual std::unique_ptr<platform::Bitmap> ReadFile(const std::string& fileName);
    // Writes bitmap with palette (which may be null); non-zero on success.
    virtual int WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                          const platform::Palette* palette);

    // The palette made for the picture read last; the caller takes it.
    std::unique_ptr<platform::Palette> TakePalette() { return std::move(resultPalette_); }
    // The 16-bit grey samples of the picture read last, when its file held
    // more than 8 bits of grey (alpha dropped onto black as in the bitmap);
    // null for any other picture. The caller takes them.
    std::unique_ptr<platform::Grey16Image> TakeGrey16() { return std::move(resultGrey16_); }
    // The bits of one sample in the file read last (1 to 16; 16 for a 16-bit
    // PNG even though the bitmap holds 8); 0 when nothing was read.
    int SourceBits() const { return sourceBits_; }
    // The quality of lossy writers, 0 (smallest) to 100 (best); -1, the
    // start, leaves the format's own default (for WebP: lossless).
    void SetQuality(int quality) { quality_ = quality < 0 ? -1 : std::min(quality, 100); }
    int Quality() const { return quality_; }
    // 16-bit grey samples the next write takes in place of the bitmap's
    // pixels, in the formats that hold them (PNG, TIFF, netpbm); the others
    // write the bitmap. Must be of the bitmap's size; not owned.
    void SetGrey16(const platform::Grey16Image* samples) { grey16Out_ = samples; }
    // A reader may leave a large picture's rows in the file, mapped, instead
    // of copying them (uncompressed bottom-up BMP of 8 or 24 bits): for a
    // caller that reads the picture once and then asks the bitmap's
    // sourceChanged() before trusting what it made. Off at the start.
    void SetKeepFile(bool keep) { keepFile_ = keep; }

    void DoStatusMsg(long first, long second, const char* text);
    // A report was answered with GSTATUS_STOP; readers and writers then end
    // at once, with no message, and a stopped write leaves no file.
    bool Stopped() const { return stopped_; }
    // Shows text under "<format> Error" unless quiet; always returns 0.
    int ErrorMsg(const std::string& text);
    // 1 when fileName does not exist or the user answers Yes to "Overwrite %s?".
    // A folder, device, pipe or socket of that name is refused with a
    // message (0) before anything is written; a symbolic link counts as
    // the file it points to.
    int OverwriteOk(const std::string& fileName);
    // Null for 2 and 256 colours, else the 16-entry default table (blue, green, red, 0).
    static const platform::RGBQUAD* GetDefRGB(int colors);
    // The first count entries of the device's palette; empty when they cannot be read.
    static std::vector<platform::PALETTEENTRY> GetDevicePalette(int count);
    // The colours a picture without a palette is written with: those of our
    // 256-colour display for 8 bits, the default colours for 4, black and
    // white for 1.
    static std::vector<platform::PALETTEENTRY> GetDeviceColors(int depth);
    // Fills bm from the bitmap, up to 256 palette entries into entries (which
    // must hold 256), and builds the information block by the palette rule.
    static platform::BITMAPINFO GetBitmapInfo(const platform::Bitmap& bitmap, const platform::Palette* palette,
                                              platform::BITMAP& bm, platform::PALETTEENTRY* entries);

    // Image memory: zero-initialised; null when it cannot be had (or for 0
    // or more than kMaxImgMem bytes). A new block replaces the old one.
    static constexpr std::size_t kMaxImgMem = std::size_t{1} << 30;
    std::uint8_t* AllocImgMem(std::size_t bytes);
    int FreeImgMem();

    // Packs width one-per-byte pixels into a DIB row at 1, 4 or 8 bits and
    // zero-fills it to a multiple of 4 bytes; other depths write nothing.
    static void BmpEncode(std::uint8_t* dibRow, const std::uint8_t* pixels, int bitsPerPixel, int width);
    // The reverse: one value per byte.
    static void BmpDecode(const std::uint8_t* dibRow, std::uint8_t* pixels, int bitsPerPixel, int width);

    // Rows per band of image memory: the full height, halved (rounding up)
    // while the band would exceed kBandBytes and holds more than one row.
    static constexpr std::uint64_t kBandBytes = 32000;
    static int BandRows(int height, std::size_t rowBytes);
    // Depth of a colour table of n entries: 1, doubled while 2^depth < n.
    static int DepthForColors(std::size_t colors);
    // A 40-byte header: 1 plane, no compression, image size = row length x height.
    static platform::BITMAPINFOHEADER MakeInfoHeader(int width, int height, int depth);

    int quiet = 0;

protected:
    // Set by each derived class: "BMP", "PCX", "GIF", "JPG".
    void SetFormatName(const char* name);
    const std::string& FormatName() const { return formatName_; }
    platform::Window* Owner() const { return owner_; }
    platform::Window* StatusWnd() const { return status_; }

    std::unique_ptr<platform::Palette> resultPalette_;
    bool stopped_ = false;
    std::unique_ptr<platform::Grey16Image> resultGrey16_;
    int sourceBits_ = 0;
    bool keepFile_ = false;
    // What SetGrey16 gave, when it matches the bitmap being written; else null.
    const platform::Grey16Image* Grey16For(const platform::Bitmap& bitmap) const
    {
        return grey16Out_ && grey16Out_->width == bitmap.width() && grey16Out_->height == bitmap.height() &&
                       grey16Out_->samples.size() == static_cast<std::size_t>(bitmap.width()) * bitmap.height()
                   ? grey16Out_
                   : nullptr;
    }

private:
    platform::Window* owner_;
    platform::Window* status_;
    std::string formatName_;
    int quality_ = -1;
    const platform::Grey16Image* grey16Out_ = nullptr;
    std::vector<std::uint8_t> imageMemory_;
    bool haveImageMemory_ = false;
};
