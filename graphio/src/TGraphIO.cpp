#include "pictrans/TGraphIO.h"

#include "pictrans/GraphicFormats.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGIntf.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

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
    std::uint8_t head[pictrans::kDetectBytes];
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    const pictrans::GraphicFormat* found = pictrans::detectFormat({head, n});
    const int format = found ? found->code : GFORMAT_UNKNOWN;
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
    sourceBits_ = 0;
    stopped_ = false;
    const pictrans::GraphicFormat* row = pictrans::formatByCode(format);
    if (!row || !row->can(pictrans::kReads)) {
        platform::messageBox(owner_, "File Format is not supported.", "Error",
                             platform::MB_ICONERROR | platform::MB_OK);
        return nullptr;
    }
    auto intf = row->make(status_, owner_);
    intf->SetKeepFile(keepFile_);
    const platform::ReadWatch watch;
    auto bitmap = intf->ReadFile(fileName);
    palette_ = intf->TakePalette();
    grey16_ = intf->TakeGrey16();
    if (intf->Stopped()) {
        // Some readers only notice at the end; what they read is dropped.
        stopped_ = true;
        palette_.reset();
        grey16_.reset();
        return nullptr;
    }
    if (watch.changed() || (bitmap && bitmap->sourceChanged())) {
        // What was read may mix the old file with the new one.
        platform::messageBox(owner_, platform::kFileChangedMessage, "Error", platform::MB_ICONERROR | platform::MB_OK);
        palette_.reset();
        grey16_.reset();
        return nullptr;
    }
    if (bitmap) {
        const int bits = bitmap->bitsPerPixel();
        sourceBits_ = intf->SourceBits() ? intf->SourceBits() : bits == 24 ? 8 : bits;
    }
    return bitmap;
}

int TGraphIO::Write_File(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                         const platform::Palette* palette)
{
    // What has no writer (the unknown code, a failed detection) is written as BMP.
    const pictrans::GraphicFormat* row = pictrans::formatByCode(format_);
    auto intf = row && row->can(pictrans::kWrites) ? row->make(status_, owner_)
                                                   : std::make_unique<TBmpIntf>(status_, owner_);
    intf->SetQuality(quality_);
    if (row && row->can(pictrans::kHoldsGrey16))
        intf->SetGrey16(grey16Out_);
    stopped_ = false;
    const int written = intf->WriteFile(fileName, bm, bitmap, palette);
    stopped_ = intf->Stopped();
    return stopped_ ? 0 : written;
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
