#include "pictrans/TGraphIO.h"

#include "pictrans/TBmpIntf.h"
#include "pictrans/TGIntf.h"
#include "pictrans/TJpgIntf.h"
#include "pictrans/TPngIntf.h"
#include "platform/FileIO.h"

#if __has_include("pictrans/TGifIntf.h")
#include "pictrans/GifRecords.h"
#include "pictrans/TGifIntf.h"
#define PICTRANS_HAVE_GIF 1
#endif
#if __has_include("pictrans/TPcxIntf.h")
#include "pictrans/TPcxIntf.h"
#define PICTRANS_HAVE_PCX 1
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The first bytes of a file, as many as there are up to n. A short file
// leaves the rest zero, which no signature below matches.
bool readPrefix(std::FILE* f, std::uint8_t* out, std::size_t n)
{
    std::memset(out, 0, n);
    std::rewind(f);
    return std::fread(out, 1, n, f) == n;
}

bool isPngSignature(const std::uint8_t* b)
{
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return std::memcmp(b, kPng, sizeof kPng) == 0;
}

bool isGifSignature(const std::uint8_t* b)
{
#ifdef PICTRANS_HAVE_GIF
    InStream in(std::vector<std::uint8_t>(b, b + 6));
    GIFHEADER header;
    return header.get(in) == 0 && header.isvalid();
#else
    return std::memcmp(b, "GIF", 3) == 0 && (std::memcmp(b + 3, "87a", 3) == 0 || std::memcmp(b + 3, "89a", 3) == 0);
#endif
}

std::unique_ptr<TGIntf> makeInterface(int format, platform::Window* status, platform::Window* owner)
{
    switch (format) {
#ifdef PICTRANS_HAVE_PCX
    case GFORMAT_PCX:
        return std::make_unique<TPcxIntf>(status, owner);
#endif
#ifdef PICTRANS_HAVE_GIF
    case GFORMAT_GIF:
        return std::make_unique<TGifIntf>(status, owner);
#endif
    case GFORMAT_JPEG:
        return std::make_unique<TJpgIntf>(status, owner);
    case GFORMAT_PNG:
        return std::make_unique<TPngIntf>(status, owner);
    default:
        return std::make_unique<TBmpIntf>(status, owner);
    }
}

} // namespace

TGraphIO::TGraphIO(platform::Window* status, platform::Window* owner) : owner_(owner), status_(status) {}

TGraphIO::~TGraphIO() = default;

void TGraphIO::GetVersionString(char* buffer)
{
    std::strcpy(buffer, "PICTRANS v2.0");
}

int TGraphIO::GetGraphicFormat(const std::string& fileName)
{
    // Opened without waiting: a pipe without a writer reads as empty.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    std::FILE* f = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (!f) {
        if (fd >= 0)
            ::close(fd);
        format_ = GFORMAT_UNOPENABLE;
        return format_;
    }
    std::uint8_t header[128];
    int format = GFORMAT_UNKNOWN;
    readPrefix(f, header, 14);
    if ((header[0] | (header[1] << 8)) == 0x4D42) {
        format = GFORMAT_BMP;
    } else {
        readPrefix(f, header, 128);
        if (header[0] == 0x0A) {
            format = GFORMAT_PCX;
        } else {
            readPrefix(f, header, 8);
            if (isGifSignature(header))
                format = GFORMAT_GIF;
            else if (isPngSignature(header))
                format = GFORMAT_PNG;
        }
    }
    std::fclose(f);
    format_ = format;
    return format_;
}

int TGraphIO::SetGraphicFormat(int format)
{
    const int previous = format_;
    format_ = format;
    return previous;
}

std::unique_ptr<platform::Palette> TGraphIO::GetPalette()
{
    return std::move(palette_);
}

std::unique_ptr<platform::Grey16Image> TGraphIO::GetGrey16()
{
    return std::move(grey16_);
}

std::unique_ptr<platform::Bitmap> TGraphIO::Read_File(const std::string& fileName)
{
    const int format = GetGraphicFormat(fileName);
    if (format == GFORMAT_UNOPENABLE) {
        platform::messageBox(owner_, "File Access Failed.", "Error", platform::MB_ICONERROR | platform::MB_OK);
        return nullptr;
    }
    grey16_.reset();
    bool supported = format == GFORMAT_BMP || format == GFORMAT_PNG;
#ifdef PICTRANS_HAVE_PCX
    supported = supported || format == GFORMAT_PCX;
#endif
#ifdef PICTRANS_HAVE_GIF
    supported = supported || format == GFORMAT_GIF;
#endif
    if (!supported) {
        platform::messageBox(owner_, "File Format is not supported.", "Error",
                             platform::MB_ICONERROR | platform::MB_OK);
        return nullptr;
    }
    auto intf = makeInterface(format, status_, owner_);
    const platform::ReadWatch watch;
    auto bitmap = intf->ReadFile(fileName);
    palette_ = intf->TakePalette();
    if (format == GFORMAT_PNG)
        grey16_ = static_cast<TPngIntf&>(*intf).TakeGrey16();
    if (watch.changed()) {
        // What was read may mix the old file with the new one.
        platform::messageBox(owner_, platform::kFileChangedMessage, "Error", platform::MB_ICONERROR | platform::MB_OK);
        palette_.reset();
        grey16_.reset();
        return nullptr;
    }
    return bitmap;
}

int TGraphIO::Write_File(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                         const platform::Palette* palette)
{
    auto intf = makeInterface(format_, status_, owner_);
    return intf->WriteFile(fileName, bm, bitmap, palette);
}

const platform::BITMAPINFO* TGraphIO::GetBitmapInfo(const platform::Bitmap& bitmap, const platform::Palette* palette)
{
    platform::BITMAPINFO info;
    const int width = bitmap.width();
    const int height = bitmap.height();
    int depth;
    std::size_t colors;
    if (palette && !palette->empty()) {
        colors = std::min(palette->size(), platform::Palette::kMaxEntries);
        depth = TGIntf::DepthForColors(colors);
    } else {
        const platform::BITMAP bm = bitmap.description();
        depth = (bm.bmBitsPixel ? bm.bmBitsPixel : 1) * (bm.bmPlanes ? bm.bmPlanes : 1);
        colors = depth <= 8 ? std::size_t{1} << depth : 0;
    }
    info.bmiHeader = TGIntf::MakeInfoHeader(width, height, depth);
    // Without a palette the table is there but left zero.
    info.bmiColors.resize(colors);
    if (palette && !palette->empty()) {
        for (std::size_t i = 0; i < colors; ++i)
            info.bmiColors[i] = {(*palette)[i].peBlue, (*palette)[i].peGreen, (*palette)[i].peRed, 0};
    }
    info_ = std::move(info);
    return &*info_;
}
