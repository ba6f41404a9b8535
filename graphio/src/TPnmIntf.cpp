#include "pictrans/TPnmIntf.h"

#include "pictrans/PictureBuild.h"
#include "pictrans/PictureRows.h"
#include "pictrans/PnmHeader.h"
#include "platform/ByteReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char* kNotFound = "%s not found";
constexpr const char* kNotPnm = "File is not a valid PNM file";
constexpr const char* kReadError = "Error reading PNM file: %s.";
constexpr const char* kTruncated = "Error reading PNM file: the file ends before the picture does.";
constexpr const char* kNotNumber = "Error reading PNM file: a sample is not a number.";
constexpr const char* kTooLarge = "A picture of %u x %u pixels is too large to be read.";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kNoDevice = "Could not access Graphics Device.";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kWriteError = "Error writing PNM file: the file could not be written.";
constexpr const char* kReading = "Reading PNM Image";
constexpr const char* kWriting = "Writing PNM Image";

using pictrans::pnm::Header;
using pictrans::pnm::Tuple;

bool endsWithPam(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".pam";
}

// The fewest bytes the raster of h can take: raw samples as they are,
// plain ones at least a digit and a separator (a PBM digit needs no separator).
std::uint64_t minimumRaster(const Header& h)
{
    const std::uint64_t pixels = std::uint64_t{h.width} * h.height;
    if (h.kind == 4)
        return (std::uint64_t{h.width} + 7) / 8 * h.height;
    if (h.kind == 1)
        return pixels;
    if (h.plain)
        return pixels * h.depth * 2 - 1;
    return pixels * h.depth * h.sampleBytes();
}

// Reads the samples of one row (width x depth values) from a raw or plain raster.
bool readRow(platform::ByteReader& r, const Header& h, std::uint32_t* out, bool& notNumber)
{
    const std::size_t n = std::size_t{h.width} * h.depth;
    if (h.kind == 1) {
        for (std::size_t i = 0; i < n; ++i) {
            int c;
            while ((c = r.peek()) == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '#') {
                if (c == '#') {
                    while (!r.atEnd() && r.u8() != '\n') {
                    }
                } else {
                    r.skip(1);
                }
            }
            if (c != '0' && c != '1')
                return notNumber = c >= 0, false;
            r.skip(1);
            out[i] = c == '1' ? 0 : 1; // PBM's 1 is black, our index 0
        }
        return true;
    }
    if (h.kind == 4) {
        const auto bytes = r.view((std::size_t{h.width} + 7) / 8);
        if (bytes.empty())
            return false;
        for (std::size_t i = 0; i < n; ++i)
            out[i] = ((bytes[i / 8] >> (7 - i % 8)) & 1) ? 0 : 1;
        return true;
    }
    if (h.plain) {
        for (std::size_t i = 0; i < n; ++i) {
            if (!pictrans::pnm::readPlainNumber(r, out[i]))
                return notNumber = !r.atEnd(), false;
        }
        return true;
    }
    const auto bytes = r.view(n * h.sampleBytes());
    if (bytes.empty())
        return false;
    if (h.sampleBytes() == 1) {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = bytes[i];
    } else {
        for (std::size_t i = 0; i < n; ++i)
            out[i] = (std::uint32_t{bytes[2 * i]} << 8) | bytes[2 * i + 1];
    }
    return true;
}

int bitsFor(std::uint32_t maxval)
{
    int bits = 1;
    while ((1u << bits) - 1 < maxval)
        ++bits;
    return bits;
}

} // namespace

TPnmIntf::TPnmIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("PNM");
}

std::unique_ptr<platform::Bitmap> TPnmIntf::ReadFile(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kNotFound, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TPnmIntf::ReadStream(InStream& in)
{
    resultGrey16_.reset();
    sourceBits_ = 0;
    const auto file = in.bytes();
    if (file.size() < 2 || file[0] != 'P' || file[1] < '1' || file[1] > '7')
        return ErrorMsg(kNotPnm), nullptr;
    platform::ByteReader r(file);
    Header h;
    if (const std::string why = pictrans::pnm::readHeader(r, h); !why.empty())
        return ErrorMsg(platform::format(kReadError, why.c_str())), nullptr;
    if (std::uint64_t{h.width} * h.height > static_cast<std::uint64_t>(platform::Bitmap::kMaxPixels))
        return ErrorMsg(platform::format(kTooLarge, h.width, h.height)), nullptr;
    if (minimumRaster(h) > r.remaining())
        return ErrorMsg(kTruncated), nullptr;

    const bool pbm = h.pbm();
    const bool colour = h.colour();
    const bool keep16 = !colour && !pbm && h.maxval > 255;
    const int width = static_cast<int>(h.width), height = static_cast<int>(h.height);
    auto bitmap = platform::Bitmap::create(width, height, pbm ? 1 : colour ? 24 : 8);
    std::vector<std::uint32_t> samples;
    std::vector<std::uint8_t> row;
    std::unique_ptr<platform::Grey16Image> grey16;
    try {
        samples.resize(std::size_t{h.width} * h.depth);
        row.resize(std::size_t{h.width} * 3);
        if (keep16) {
            grey16 = std::make_unique<platform::Grey16Image>();
            grey16->width = width;
            grey16->height = height;
            grey16->samples.resize(std::size_t{h.width} * h.height);
        }
    } catch (const std::bad_alloc&) {
        bitmap.reset();
    }
    if (!bitmap)
        return ErrorMsg(kImageMemory), nullptr;

    using pictrans::scaleSample;
    const std::uint32_t m = h.maxval;
    // Alpha goes onto black at 16 bits when the samples have more than 8, as PNG's do.
    const auto flatten = [&](std::uint32_t v, std::uint32_t a) -> std::uint32_t {
        if (m > 255)
            return pictrans::over16(scaleSample(v, m, 65535), scaleSample(a, m, 65535));
        return pictrans::over8(scaleSample(v, m, 255), scaleSample(a, m, 255));
    };
    const auto to8 = [&](std::uint32_t v) -> std::uint8_t {
        return static_cast<std::uint8_t>(m > 255 ? pictrans::to8(v) : v);
    };
    DoStatusMsg(0, 0, kReading);
    for (int y = 0; y < height; ++y) {
        bool notNumber = false;
        if (!readRow(r, h, samples.data(), notNumber))
            return ErrorMsg(notNumber ? kNotNumber : kTruncated), nullptr;
        std::uint8_t* dst = bitmap->rowFromTop(y);
        const std::uint32_t* s = samples.data();
        if (pbm) {
            std::vector<std::uint8_t>& ones = row;
            for (int x = 0; x < width; ++x)
                ones[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(s[x]);
            BmpEncode(dst, ones.data(), 1, width);
        } else if (colour && !h.alpha() && m == 255) {
            // Samples of a byte each, as they are: only the order changes.
            for (std::size_t x = 0; x < h.width; ++x, s += 3) {
                dst[3 * x] = static_cast<std::uint8_t>(s[2]);
                dst[3 * x + 1] = static_cast<std::uint8_t>(s[1]);
                dst[3 * x + 2] = static_cast<std::uint8_t>(s[0]);
            }
        } else if (colour) {
            const std::size_t step = h.alpha() ? 4 : 3;
            for (std::size_t x = 0; x < h.width; ++x, s += step) {
                for (int c = 0; c < 3; ++c) {
                    const std::uint32_t v = std::min(s[c], m);
                    dst[3 * x + 2 - static_cast<std::size_t>(c)] =
                        h.alpha() ? to8(flatten(v, std::min(s[3], m))) : static_cast<std::uint8_t>(scaleSample(v, m, 255));
                }
            }
        } else {
            std::uint16_t* g16 = keep16 ? grey16->samples.data() + static_cast<std::size_t>(y) * h.width : nullptr;
            for (std::size_t x = 0; x < h.width; ++x) {
                const std::uint32_t v = std::min(s[h.alpha() ? 2 * x : x], m);
                std::uint32_t shown; // 16 bits when kept, else the index
                if (h.alpha())
                    shown = flatten(v, std::min(s[2 * x + 1], m));
                else
                    shown = keep16 ? scaleSample(v, m, 65535) : v;
                if (g16)
                    g16[x] = static_cast<std::uint16_t>(shown);
                dst[x] = keep16 ? pictrans::to8(shown) : static_cast<std::uint8_t>(shown);
            }
        }
        if (y % 64 == 63)
            DoStatusMsg(height, y + 1, kReading);
        if (Stopped())
            return nullptr;
    }
    // Grey without alpha of up to 8 bits has one palette entry per value;
    // the rest 256 greys.
    if (pbm)
        resultPalette_ = std::make_unique<platform::Palette>(pictrans::greyPalette(2));
    else if (colour)
        resultPalette_ = std::make_unique<platform::Palette>(std::vector<platform::PALETTEENTRY>{});
    else
        resultPalette_ = std::make_unique<platform::Palette>(
            pictrans::greyPalette(!h.alpha() && m <= 255 ? m + 1 : 256));
    resultGrey16_ = std::move(grey16);
    sourceBits_ = bitsFor(m);
    DoStatusMsg(100, 100, "Done");
    return bitmap;
}

int TPnmIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
    if (!bitmap || bm.bmWidth != bitmap->width() || bm.bmHeight != bitmap->height())
        return ErrorMsg(kNoDevice);
    const bool pam = endsWithPam(fileName);
    return pictrans::writeThroughTemporary(
        *this, fileName, [&](OutStream& out) { return WriteStream(out, *bitmap, palette, pam); });
}

int TPnmIntf::WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette, bool pam)
{
    const int depth = bitmap.bitsPerPixel();
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return ErrorMsg(kBits);
    if (const platform::Grey16Image* g16 = Grey16For(bitmap)) {
        // 16-bit grey: PGM (or PAM) of maximum value 65535, big-endian samples.
        const int w = bitmap.width(), h = bitmap.height();
        const std::string header =
            pam ? platform::format("P7\nWIDTH %d\nHEIGHT %d\nDEPTH 1\nMAXVAL 65535\nTUPLTYPE GRAYSCALE\nENDHDR\n", w, h)
                : platform::format("P5\n%d %d\n65535\n", w, h);
        std::vector<std::uint8_t> line(static_cast<std::size_t>(w) * 2);
        bool ok = out.write(header.data(), header.size());
        for (int y = 0; y < h && ok; ++y) {
            const std::uint16_t* s = g16->samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (std::size_t x = 0; x < static_cast<std::size_t>(w); ++x) {
                line[2 * x] = static_cast<std::uint8_t>(s[x] >> 8);
                line[2 * x + 1] = static_cast<std::uint8_t>(s[x]);
            }
            ok = out.write(line.data(), line.size());
        }
        return ok ? 1 : ErrorMsg(kWriteError);
    }
    const pictrans::PictureRows rows(bitmap, palette);
    const bool pbm = depth == 1 && rows.blackAndWhite();
    const bool grey = !pbm && rows.indexed() && rows.grey();
    const int w = rows.width(), h = rows.height();
    std::string header;
    if (pam) {
        const char* tuple = pbm ? "BLACKANDWHITE" : grey ? "GRAYSCALE" : "RGB";
        header = platform::format("P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL %d\nTUPLTYPE %s\nENDHDR\n", w, h,
                                  pbm || grey ? 1 : 3, pbm ? 1 : 255, tuple);
    } else if (pbm) {
        header = platform::format("P4\n%d %d\n", w, h);
    } else {
        header = platform::format("P%d\n%d %d\n255\n", grey ? 5 : 6, w, h);
    }
    std::vector<std::uint8_t> line;
    try {
        line.resize(static_cast<std::size_t>(w) * 3);
    } catch (const std::bad_alloc&) {
        return ErrorMsg("Insufficient memory to write PNM image.");
    }
    bool ok = out.write(header.data(), header.size());
    DoStatusMsg(0, 0, kWriting);
    for (int y = 0; y < h && ok && !Stopped(); ++y) {
        std::size_t n = static_cast<std::size_t>(w);
        if (pbm) {
            rows.greys(y, line.data());
            if (pam) {
                for (std::size_t x = 0; x < n; ++x)
                    line[x] = line[x] ? 1 : 0;
            } else {
                // PBM packs eight pixels a byte, 1 for black.
                std::vector<std::uint8_t> ink(n);
                for (std::size_t x = 0; x < n; ++x)
                    ink[x] = line[x] ? 0 : 1;
                std::fill(line.begin(), line.end(), 0);
                for (std::size_t x = 0; x < n; ++x)
                    line[x / 8] |= static_cast<std::uint8_t>(ink[x] << (7 - x % 8));
                n = (n + 7) / 8;
            }
        } else if (grey) {
            rows.greys(y, line.data());
        } else {
            rows.rgb(y, line.data());
            n *= 3;
        }
        ok = out.write(line.data(), n);
        if (y % 64 == 63)
            DoStatusMsg(h, y + 1, kWriting);
    }
    if (Stopped())
        return 0;
    if (!ok)
        return ErrorMsg(kWriteError);
    return 1;
}
