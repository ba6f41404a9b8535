#include "pictrans/GraphicFormats.h"

#include "pictrans/GifRecords.h"
#include "pictrans/TBmpIntf.h"
#include "pictrans/TGifIntf.h"
#include "pictrans/TGraphIO.h"
#include "pictrans/TJpgIntf.h"
#include "pictrans/TPcxIntf.h"
#include "pictrans/TPngIntf.h"

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
     kWrites | kHoldsTrueColour | kLossy},
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

} // namespace pictrans
