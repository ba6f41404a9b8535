#include "pictrans/GraphicFormats.h"

#include "pictrans/GifRecords.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGifIntf.h"
#include "pictrans/TGraphIO.h"
#include "pictrans/TJpgIntf.h"
#include "pictrans/TPcxIntf.h"
#include "pictrans/TPngIntf.h"
#include "pictrans/TPnmIntf.h"
#include "pictrans/TTiffIntf.h"
#include "pictrans/TWebpIntf.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace pictrans {
namespace {

bool startsWith(std::span<const std::uint8_t> head, std::span<const std::uint8_t> magic)
{
    return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
}

bool isBmp(std::span<const std::uint8_t> head)
{
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

// Any file whose first byte is the PCX manufacturer mark is handed to the
// PCX reader, which refuses it when the rest is wrong.
bool isPcx(std::span<const std::uint8_t> head)
{
    return !head.empty() && head[0] == 0x0A;
}

bool isGif(std::span<const std::uint8_t> head)
{
    if (head.size() < 6)
        return false;
    InStream in(std::vector<std::uint8_t>(head.begin(), head.begin() + 6));
    GIFHEADER header;
    return header.get(in) == 0 && header.isvalid();
}

bool isJpeg(std::span<const std::uint8_t> head)
{
    static constexpr std::uint8_t kSoi[3] = {0xFF, 0xD8, 0xFF};
    return startsWith(head, kSoi);
}

bool isPng(std::span<const std::uint8_t> head)
{
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return startsWith(head, kPng);
}

// "P1" to "P7" and white space (or a comment): netpbm's magic numbers.
bool isPnm(std::span<const std::uint8_t> head)
{
    if (head.size() < 3 || head[0] != 'P' || head[1] < '1' || head[1] > '7')
        return false;
    const std::uint8_t c = head[2];
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '#';
}

// "RIFF", a length, "WEBP".
bool isWebp(std::span<const std::uint8_t> head)
{
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

// "II*\0" or "MM\0*", and BigTIFF's 43 in place of 42.
bool isTiff(std::span<const std::uint8_t> head)
{
    if (head.size() < 4)
        return false;
    return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
           (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

template <class Intf>
std::unique_ptr<TGIntf> make(platform::Window* status, platform::Window* owner)
{
    return std::make_unique<Intf>(status, owner);
}

constexpr const char* kBmpExt[] = {"bmp", "dib"};
constexpr const char* kBmpMime[] = {"image/bmp", "image/x-bmp"};
constexpr const char* kPcxExt[] = {"pcx"};
constexpr const char* kPcxMime[] = {"image/vnd.zbrush.pcx", "image/x-pcx"};
constexpr const char* kGifExt[] = {"gif"};
constexpr const char* kGifMime[] = {"image/gif"};
constexpr const char* kJpegExt[] = {"jpg", "jpeg", "jpe"};
constexpr const char* kJpegMime[] = {"image/jpeg"};
constexpr const char* kPngExt[] = {"png"};
constexpr const char* kPngMime[] = {"image/png"};
constexpr const char* kWebpExt[] = {"webp"};
constexpr const char* kWebpMime[] = {"image/webp"};
constexpr const char* kTiffExt[] = {"tif", "tiff"};
constexpr const char* kTiffMime[] = {"image/tiff"};
constexpr const char* kPnmExt[] = {"pnm", "pbm", "pgm", "ppm", "pam"};
constexpr const char* kPnmMime[] = {"image/x-portable-anymap", "image/x-portable-bitmap", "image/x-portable-graymap",
                                    "image/x-portable-pixmap", "image/x-portable-arbitrarymap"};

// In detection order: BMP's two letters first, then PCX's one byte, as the
// program has always tried them.
const GraphicFormat kFormats[] = {
    {GFORMAT_BMP, "BMP", "Bitmap Files", kBmpExt, kBmpMime, isBmp, make<TBmpIntf>,
     kReads | kWrites | kHoldsPalette | kHoldsTrueColour},
    {GFORMAT_PCX, "PCX", "PCX Files", kPcxExt, kPcxMime, isPcx, make<TPcxIntf>, kReads | kWrites | kHoldsPalette},
    {GFORMAT_GIF, "GIF", "GIF Files", kGifExt, kGifMime, isGif, make<TGifIntf>, kReads | kWrites | kHoldsPalette},
    {GFORMAT_PNG, "PNG", "PNG Files", kPngExt, kPngMime, isPng, make<TPngIntf>,
     kReads | kWrites | kHoldsPalette | kHoldsTrueColour | kHoldsGrey16},
    {GFORMAT_JPEG, "JPEG", "JPEG Files", kJpegExt, kJpegMime, isJpeg, make<TJpgIntf>,
     kReads | kWrites | kHoldsTrueColour | kLossy},
    {GFORMAT_WEBP, "WebP", "WebP Files", kWebpExt, kWebpMime, isWebp, make<TWebpIntf>,
     kReads | kWrites | kHoldsTrueColour}, // lossless unless a quality is set
    {GFORMAT_TIFF, "TIFF", "TIFF Files", kTiffExt, kTiffMime, isTiff, make<TTiffIntf>,
     kReads | kWrites | kHoldsPalette | kHoldsTrueColour | kHoldsGrey16},
    {GFORMAT_PNM, "PNM", "Netpbm Files", kPnmExt, kPnmMime, isPnm, make<TPnmIntf>,
     kReads | kWrites | kHoldsTrueColour | kHoldsGrey16},
};

} // namespace

std::span<const GraphicFormat> graphicFormats()
{
    return kFormats;
}

const GraphicFormat* formatByCode(int code)
{
    for (const auto& f : kFormats) {
        if (f.code == code)
            return &f;
    }
    return nullptr;
}

const GraphicFormat* formatByExtension(std::string_view ext)
{
    if (!ext.empty() && ext.front() == '.')
        ext.remove_prefix(1);
    const auto same = [ext](std::string_view known) {
        return known.size() == ext.size() &&
               std::equal(known.begin(), known.end(), ext.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const auto& f : kFormats) {
        if (std::any_of(f.extensions.begin(), f.extensions.end(), same))
            return &f;
    }
    return nullptr;
}

const GraphicFormat* detectFormat(std::span<const std::uint8_t> head)
{
    head = head.first(std::min(head.size(), kDetectBytes));
    for (const auto& f : kFormats) {
        if (f.can(kReads) && f.detect && f.detect(head))
            return &f;
    }
    return nullptr;
}

std::string readableFilterString()
{
    std::string filter;
    for (const auto& f : kFormats) {
        if (!f.can(kReads) || f.extensions.empty())
            continue;
        std::string first = f.extensions[0];
        for (char& c : first)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        filter += std::string(f.filterName) + " (*." + first + ")|";
        for (std::size_t i = 0; i < f.extensions.size(); ++i)
            filter += (i == 0 ? "*." : " *.") + std::string(f.extensions[i]);
        filter += '|';
    }
    return filter;
}

} // namespace pictrans
