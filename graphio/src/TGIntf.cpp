#include "pictrans/TGIntf.h"

#include "platform/Messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/stat.h>

namespace {

// The 16 colours used when a picture brings no colour table of its own.
constexpr platform::RGBQUAD kDefaultColors[16] = {
    {0, 0, 0, 0},       {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0},
    {0, 0, 128, 0},     {0, 255, 255, 0},   {0, 128, 128, 0},   {0, 255, 0, 0},
    {0, 128, 0, 0},     {255, 255, 0, 0},   {128, 128, 0, 0},   {255, 0, 0, 0},
    {128, 0, 0, 0},     {255, 0, 255, 0},   {128, 0, 128, 0},   {255, 255, 255, 0},
};

void copyStatusText(GRAPHSTATUS& record, const char* text)
{
    std::memset(record.text, 0, sizeof record.text);
    if (text)
        std::strncpy(record.text, text, sizeof record.text - 1);
}

} // namespace

TGIntf::TGIntf(platform::Window* status, platform::Window* owner) : owner_(owner), status_(status)
{
}

TGIntf::~TGIntf() = default;

std::unique_ptr<platform::Bitmap> TGIntf::ReadFile(const std::string&)
{
    return nullptr;
}

int TGIntf::WriteFile(const std::string&, const platform::BITMAP&, const platform::Bitmap*,
                      const platform::Palette*)
{
    return 0;
}

void TGIntf::SetFormatName(const char* name)
{
    formatName_ = name ? name : "";
}

void TGIntf::DoStatusMsg(long first, long second, const char* text)
{
    GRAPHSTATUS record{};
    int kind;
    if (first == 100) {
        // "Finished" wins even over a genuine progress report of a 100-row picture.
        kind = GSTATUS_DONE;
        copyStatusText(record, nullptr);
        record.done = 0;
        record.total = 100;
    } else if (second == 0) {
        kind = GSTATUS_TEXT;
        copyStatusText(record, text);
        record.done = 0;
        record.total = 100;
    } else {
        kind = GSTATUS_PROGRESS;
        copyStatusText(record, text);
        record.done = static_cast<std::int32_t>(second);
        record.total = static_cast<std::int32_t>(first);
    }
    record.reserved = 0;
    if (platform::sendMessage(status_, platform::WM_GRAPHSTATUS, static_cast<std::uintptr_t>(kind),
                              reinterpret_cast<std::intptr_t>(&record)) == GSTATUS_STOP)
        stopped_ = true;
}

int TGIntf::ErrorMsg(const std::string& text)
{
    if (!quiet) {
        platform::messageBox(owner_, text, platform::format("%s Error", formatName_.c_str()),
                             platform::MB_ICONQUESTION | platform::MB_OK);
    }
    return 0;
}

int TGIntf::OverwriteOk(const std::string& fileName)
{
    // Looked at, never opened: opening a pipe would wait for a writer. A
    // symbolic link stands for its target, which the save replaces.
    struct stat st{};
    if (::stat(fileName.c_str(), &st) != 0)
        return 1;
    if (S_ISDIR(st.st_mode))
        return ErrorMsg(platform::format("%s is a folder; nothing was written.", fileName.c_str()));
    if (!S_ISREG(st.st_mode))
        return ErrorMsg(platform::format(
            "%s is not a regular file (a device, pipe or socket); nothing was written.", fileName.c_str()));
    // Without an owner nobody can be asked, so an existing file is left alone.
    int answer = platform::messageBox(owner_, platform::format("Overwrite %s?", fileName.c_str()), "Confirm",
                                      platform::MB_ICONQUESTION | platform::MB_YESNO, platform::IDNO);
    if (owner_)
        owner_->update();
    if (status_)
        status_->update();
    return answer == platform::IDYES ? 1 : 0;
}

const platform::RGBQUAD* TGIntf::GetDefRGB(int colors)
{
    if (colors == 2 || colors == 256)
        return nullptr;
    return kDefaultColors;
}

std::vector<platform::PALETTEENTRY> TGIntf::GetDeviceColors(int depth)
{
    std::vector<platform::PALETTEENTRY> out;
    if (depth == 8) {
        auto e = platform::Palette::system().entries();
        out.assign(e.begin(), e.end());
    } else if (depth == 4) {
        const platform::RGBQUAD* def = GetDefRGB(16);
        for (int i = 0; i < 16; ++i)
            out.push_back({def[i].rgbRed, def[i].rgbGreen, def[i].rgbBlue, 0});
    } else {
        out = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    }
    return out;
}

std::vector<platform::PALETTEENTRY> TGIntf::GetDevicePalette(int count)
{
    // The palette a device context holds before anything is selected into
    // it: the twenty static colours, the first ten and the last ten entries
    // of the system palette.
    if (count <= 0)
        return {};
    const platform::Palette& sys = platform::Palette::system();
    std::vector<platform::PALETTEENTRY> stock;
    for (std::size_t i = 0; i < 10 && i < sys.size(); ++i)
        stock.push_back(sys[i]);
    for (std::size_t i = sys.size() >= 10 ? sys.size() - 10 : 0; i < sys.size(); ++i)
        stock.push_back(sys[i]);
    // Room for count entries; those beyond the stock palette stay black.
    std::vector<platform::PALETTEENTRY> out(static_cast<std::size_t>(count));
    std::copy_n(stock.begin(), std::min(stock.size(), out.size()), out.begin());
    return out;
}

int TGIntf::DepthForColors(std::size_t colors)
{
    int depth = 1;
    while (depth < 31 && (std::size_t{1} << depth) < colors)
        depth *= 2;
    return depth;
}

platform::BITMAPINFO TGIntf::GetBitmapInfo(const platform::Bitmap& bitmap, const platform::Palette* palette,
                                           platform::BITMAP& bm, platform::PALETTEENTRY* entries)
{
    bm = bitmap.description();
    std::size_t n = 0;
    if (palette && entries)
        n = palette->getEntries(0, platform::Palette::kMaxEntries, entries);
    const int depth = DepthForColors(n);
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<std::uint16_t>(depth);

    platform::BITMAPINFO info;
    info.bmiHeader = MakeInfoHeader(bm.bmWidth, bm.bmHeight, depth);
    info.bmiColors.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        info.bmiColors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    return info;
}

platform::BITMAPINFOHEADER TGIntf::MakeInfoHeader(int width, int height, int depth)
{
    platform::BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(depth);
    h.biCompression = platform::BI_RGB;
    const std::uint64_t size = static_cast<std::uint64_t>(platform::dibStride(width, depth)) *
                               static_cast<std::uint64_t>(height > 0 ? height : 0);
    h.biSizeImage = static_cast<std::uint32_t>(size);
    return h;
}

int TGIntf::BandRows(int height, std::size_t rowBytes)
{
    int band = height;
    while (band > 1 && static_cast<std::uint64_t>(band) * rowBytes > kBandBytes)
        band = (band + 1) / 2;
    return band;
}

std::uint8_t* TGIntf::AllocImgMem(std::size_t bytes)
{
    FreeImgMem();
    // An empty block has no address, and nothing this library reads needs more.
    if (bytes == 0 || bytes > kMaxImgMem)
        return nullptr;
    try {
        imageMemory_.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        imageMemory_.clear();
        return nullptr;
    }
    haveImageMemory_ = true;
    return imageMemory_.data();
}

int TGIntf::FreeImgMem()
{
    std::vector<std::uint8_t>().swap(imageMemory_);
    haveImageMemory_ = false;
    return 0;
}

void TGIntf::BmpEncode(std::uint8_t* dibRow, const std::uint8_t* pixels, int bitsPerPixel, int width)
{
    if (!dibRow || width < 0 || (width > 0 && !pixels))
        return;
    const std::size_t w = static_cast<std::size_t>(width);
    switch (bitsPerPixel) {
    case 1: {
        const std::size_t len = ((w + 7) / 8 + 3) & ~std::size_t{3};
        std::memset(dibRow, 0, len);
        for (std::size_t x = 0; x < w; ++x) {
            if (pixels[x])
                dibRow[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
        break;
    }
    case 4: {
        const std::size_t len = ((w + 1) / 2 + 3) & ~std::size_t{3};
        std::memset(dibRow, 0, len);
        for (std::size_t x = 0; x < w; ++x) {
            const std::uint8_t v = pixels[x] & 0x0F;
            dibRow[x >> 1] |= (x & 1) ? v : static_cast<std::uint8_t>(v << 4);
        }
        break;
    }
    case 8:
        std::memcpy(dibRow, pixels, w);
        std::memset(dibRow + w, 0, 3 - (w + 3) % 4);
        break;
    default:
        break;
    }
}

void TGIntf::BmpDecode(const std::uint8_t* dibRow, std::uint8_t* pixels, int bitsPerPixel, int width)
{
    if (!dibRow || !pixels || width <= 0)
        return;
    const std::size_t w = static_cast<std::size_t>(width);
    switch (bitsPerPixel) {
    case 1:
        for (std::size_t x = 0; x < w; ++x)
            pixels[x] = (dibRow[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (std::size_t x = 0; x < w; ++x)
            pixels[x] = (x & 1) ? (dibRow[x >> 1] & 0x0F) : (dibRow[x >> 1] >> 4);
        break;
    case 8:
        std::memcpy(pixels, dibRow, w);
        break;
    default:
        break;
    }
}
