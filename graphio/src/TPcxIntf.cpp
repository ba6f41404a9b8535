#include "pictrans/TPcxIntf.h"

#include "pictrans/PcxCodec.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace {

// Messages, each naming one fault.
constexpr const char* kOpen = "Unable to open %s!";
constexpr const char* kNotPcx = "Not a valid .PCX file";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kRowsEndEarly =
    "Not a valid .PCX file: its pixel rows end early and run into the 256-colour table at its end.";
constexpr const char* kMemProblem = "Memory Problem - proceed with caution.";
constexpr const char* kNoDevice = "Could not access Graphics Device.";
constexpr const char* kNoPalette = "Warning: Palette information unavailable.";
constexpr const char* kPixelMemory = "Insufficient memory to write File.";
constexpr const char* kWriteMemory = "Insufficient Memory to write PCX image.";
constexpr const char* kWriteError = "Unable to write PCX file.";

constexpr const char* kReading = "Reading PCX Image";
constexpr const char* kWriting = "Writing PCX Image";

constexpr std::uint8_t kPaletteMarker = 12;
constexpr std::size_t kTrailerSize = 1 + 768;

// Whether the file ends in the 256-colour table: the marker 769 bytes
// before the end, after the header.
bool hasVgaPalette(const InStream& in)
{
    auto bytes = in.bytes();
    return bytes.size() >= PCXHEADER::kSize + kTrailerSize && bytes[bytes.size() - kTrailerSize] == kPaletteMarker;
}

} // namespace

TPcxIntf::TPcxIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("PCX");
}

int TPcxIntf::ReadHeader(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    return in && header_.get(*in) == 0 ? 1 : 0;
}

std::unique_ptr<platform::Bitmap> TPcxIntf::ReadFile(const std::string& fileName)
{
    if (fileName.empty())
        return nullptr;
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kOpen, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TPcxIntf::ReadStream(InStream& in)
{
    resultPalette_.reset();
    in.seek(0);
    header_ = PCXHEADER{};
    if (header_.get(in) != 0 || header_.format != 10)
        return ErrorMsg(kNotPcx), nullptr;
    return ReadImage(in);
}

std::unique_ptr<platform::Bitmap> TPcxIntf::ReadImage(InStream& in)
{
    const PCXHEADER& h = header_;
    const int width = h.width();
    const int height = h.height();
    if (width <= 0 || height <= 0)
        return ErrorMsg(kNotPcx), nullptr;
    const int bits = h.bitsPerPlane();
    const int planes = h.planes();
    const int depth = bits * planes;
    // Packed pixels of up to 4 bits in all, one 8-bit plane, or three 8-bit
    // planes of red, green and blue.
    const bool packed = (bits == 1 || bits == 2 || bits == 4) && depth <= 4;
    if (!packed && !(bits == 8 && (planes == 1 || planes == 3)))
        return ErrorMsg(kBits), nullptr;
    if (static_cast<std::int64_t>(h.bplin) * 8 < static_cast<std::int64_t>(width) * bits)
        return ErrorMsg(kNotPcx), nullptr;
    if (static_cast<std::int64_t>(width) * height > platform::Bitmap::kMaxPixels)
        return ErrorMsg(kImageMemory), nullptr;

    // Colours.
    const int bitmapDepth = depth == 1 ? 1 : depth <= 4 ? 4 : depth == 8 ? 8 : 24;
    std::vector<platform::PALETTEENTRY> colors;
    std::size_t dataEnd = in.size();
    if (depth == 8) {
        if (h.version == 5 && hasVgaPalette(in)) {
            const std::uint8_t* p = in.bytes().data() + in.size() - 768;
            for (int i = 0; i < 256; ++i)
                colors.push_back({p[3 * i], p[3 * i + 1], p[3 * i + 2], platform::PC_NOCOLLAPSE});
            dataEnd -= kTrailerSize;
        } else {
            // Without its colour table an 8-bit file is read as grey levels.
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<std::uint8_t>(i);
                colors.push_back({v, v, v, platform::PC_NOCOLLAPSE});
            }
        }
    } else if (depth < 8) {
        const int n = 1 << depth;
        if (h.version == 3) {
            // "Without palette": the colours the file was made for.
            const platform::RGBQUAD* def = GetDefRGB(n);
            for (int i = 0; i < n; ++i) {
                if (def)
                    colors.push_back({def[i].rgbRed, def[i].rgbGreen, def[i].rgbBlue, platform::PC_NOCOLLAPSE});
                else
                    colors.push_back({static_cast<std::uint8_t>(i ? 255 : 0), static_cast<std::uint8_t>(i ? 255 : 0),
                                      static_cast<std::uint8_t>(i ? 255 : 0), platform::PC_NOCOLLAPSE});
            }
        } else {
            for (int i = 0; i < n; ++i)
                colors.push_back({h.palette[3 * i], h.palette[3 * i + 1], h.palette[3 * i + 2], platform::PC_NOCOLLAPSE});
        }
        // A two-colour table of one colour shows nothing; such files mean black on white.
        if (depth == 1 && colors[0] == colors[1]) {
            colors[0] = {0, 0, 0, platform::PC_NOCOLLAPSE};
            colors[1] = {255, 255, 255, platform::PC_NOCOLLAPSE};
        }
        colors.resize(std::size_t{1} << bitmapDepth, {0, 0, 0, platform::PC_NOCOLLAPSE});
    }

    // Refuse pictures whose data could not be in the file: a run of two
    // bytes gives at most 63.
    const std::uint64_t needed = static_cast<std::uint64_t>(height) * h.bplin * static_cast<std::uint64_t>(planes);
    const std::uint64_t data = dataEnd > PCXHEADER::kSize ? dataEnd - PCXHEADER::kSize : 0;
    const std::uint64_t capacity = h.rleflag ? (data + 1) / 2 * 63 : data;
    if (needed > capacity)
        return ErrorMsg(kNotPcx), nullptr;

    PcxDecoder decoder(in, h);
    decoder.init();
    std::vector<std::uint8_t> line;
    try {
        line.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(bits == 8 ? planes : 1), 0);
    } catch (const std::bad_alloc&) {
        return ErrorMsg(kImageMemory), nullptr;
    }
    auto bitmap = platform::Bitmap::create(width, height, bitmapDepth);
    if (!bitmap)
        return ErrorMsg(kImageMemory), nullptr;

    DoStatusMsg(0, 0, kReading);
    const int band = BandRows(height, bitmap->stride());
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap->rowFromTop(y);
        int status;
        if (bitmapDepth == 8) {
            status = decoder.decode(row, width);
        } else {
            status = decoder.decode(line.data(), width);
            if (bitmapDepth == 24) {
                // Planes of red, green and blue; device rows hold blue, green, red.
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* rgb = line.data() + 3 * static_cast<std::size_t>(x);
                    row[3 * x] = rgb[2];
                    row[3 * x + 1] = rgb[1];
                    row[3 * x + 2] = rgb[0];
                }
            } else {
                BmpEncode(row, line.data(), bitmapDepth, width);
            }
        }
        if (status != CODEC_OK)
            return ErrorMsg(kNotPcx), nullptr;
        // The colour table at the end is no pixel data: rows that reach
        // into it are missing from the file.
        if (decoder.position() > dataEnd)
            return ErrorMsg(kRowsEndEarly), nullptr;
        if ((y + 1) % band == 0 || y + 1 == height) {
            in.release(decoder.position());
            DoStatusMsg(height, y + 1, kReading);
            if (Stopped())
                return FreeImgMem(), nullptr;
        }
    }
    decoder.term();
    if (FreeImgMem() != 0)
        ErrorMsg(kMemProblem);
    DoStatusMsg(100, 100, "Done");
    if (!colors.empty())
        resultPalette_ = std::make_unique<platform::Palette>(colors);
    return bitmap;
}

int TPcxIntf::WriteHeader(OutStream& out, const platform::BITMAP& bm)
{
    const int depth = (bm.bmBitsPixel ? bm.bmBitsPixel : 1) * (bm.bmPlanes ? bm.bmPlanes : 1);
    if (depth == 8) {
        header_.bitpx = 8;
        header_.nplanes = 1;
    } else if (depth == 4) {
        header_.bitpx = 1;
        header_.nplanes = 4;
    } else {
        header_.bitpx = 1;
        header_.nplanes = 1;
    }
    header_.x1 = 0;
    header_.y1 = 0;
    header_.x2 = static_cast<std::uint16_t>(bm.bmWidth - 1);
    header_.y2 = static_cast<std::uint16_t>(bm.bmHeight - 1);
    header_.hres = 100;
    header_.vres = 100;
    header_.bplin = static_cast<std::uint16_t>((header_.bitpx * bm.bmWidth + 15) / 16 * 2);
    header_.paltype = 1;
    header_.scrnw = 640;
    header_.scrnh = 480;
    return header_.put(out);
}

int TPcxIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
    if (!OverwriteOk(fileName))
        return 0;
    return Write(&fileName, nullptr, bm, bitmap, palette);
}

int TPcxIntf::WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                          const platform::Palette* palette)
{
    return Write(nullptr, &out, bm, bitmap, palette);
}

int TPcxIntf::Write(const std::string* fileName, OutStream* sink, const platform::BITMAP& bm,
                    const platform::Bitmap* bitmap, const platform::Palette* palette)
{
    const int depth = (bm.bmBitsPixel ? bm.bmBitsPixel : 1) * (bm.bmPlanes ? bm.bmPlanes : 1);
    if (depth >= 9 || (depth != 1 && depth != 4 && depth != 8))
        return ErrorMsg(kBits);
    if (!bitmap)
        return ErrorMsg(kNoDevice);
    const int width = bitmap->width();
    const int height = bitmap->height();
    // The picture window is stored in 16 bits, bytes per line too.
    if (width > 0x7FF0 || height > 0xFFFF)
        return ErrorMsg(kWriteError);

    std::vector<platform::PALETTEENTRY> colors;
    if (palette) {
        auto e = palette->entries();
        colors.assign(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(e.size(), 256)));
    } else {
        ErrorMsg(kNoPalette);
        colors = GetDeviceColors(depth);
    }

    const bool direct = bitmap->bitsPerPixel() == depth;
    const platform::BITMAPINFOHEADER info = MakeInfoHeader(width, height, depth);
    std::vector<std::uint8_t> pixels;
    try {
        pixels.assign(static_cast<std::size_t>(width), 0);
    } catch (const std::bad_alloc&) {
        return ErrorMsg(kPixelMemory);
    }
    std::uint8_t* rowMem = nullptr;
    if (!direct && !(rowMem = AllocImgMem(platform::dibStride(width, depth))))
        return ErrorMsg(kWriteMemory);

    header_ = PCXHEADER{};
    for (std::size_t i = 0; i < std::min<std::size_t>(colors.size(), 16); ++i) {
        header_.palette[3 * i] = colors[i].peRed;
        header_.palette[3 * i + 1] = colors[i].peGreen;
        header_.palette[3 * i + 2] = colors[i].peBlue;
    }

    // A file is written through a temporary that replaces it only at the end.
    std::optional<platform::SafeFile> file;
    std::optional<FileOutStream> fileOut;
    if (fileName) {
        file.emplace(*fileName);
        if (!file->open())
            return ErrorMsg(kWriteError);
        fileOut.emplace(file->stream());
    }
    OutStream& out = fileOut ? static_cast<OutStream&>(*fileOut) : *sink;
    DoStatusMsg(0, 0, kWriting);
    platform::BITMAP size = bm;
    size.bmWidth = width;
    size.bmHeight = height;
    size.bmBitsPixel = static_cast<std::uint16_t>(depth);
    size.bmPlanes = 1;
    if (WriteHeader(out, size) != 0)
        return ErrorMsg(kWriteError);

    PcxEncoder encoder(out, header_);
    encoder.init();
    int lastReport = 0;
    for (int y = 0; y < height && encoder.status() == CODEC_OK && !Stopped(); ++y) {
        const std::uint8_t* row = bitmap->rowFromTop(y);
        if (!direct) {
            bitmap->getDIBits(height - 1 - y, 1, rowMem, info, palette);
            row = rowMem;
        }
        if (depth == 8) {
            encoder.encode(row, width);
        } else {
            BmpDecode(row, pixels.data(), depth, width);
            encoder.encode(pixels.data(), width);
        }
        if (y + 1 - lastReport >= 10) {
            lastReport = y + 1;
            DoStatusMsg(height, lastReport, kWriting);
        }
    }
    if (Stopped()) {
        // Stopped from the status window: no message, and the temporary goes.
        FreeImgMem();
        return 0;
    }
    const int status = encoder.term();
    if (FreeImgMem() != 0)
        ErrorMsg(kMemProblem);
    if (status != CODEC_OK)
        return ErrorMsg(kWriteError);
    if (depth == 8) {
        // An 8-bit file always carries its table, padded with black.
        std::uint8_t trailer[kTrailerSize] = {kPaletteMarker};
        for (std::size_t i = 0; i < colors.size(); ++i) {
            trailer[1 + 3 * i] = colors[i].peRed;
            trailer[2 + 3 * i] = colors[i].peGreen;
            trailer[3 + 3 * i] = colors[i].peBlue;
        }
        if (!out.write(trailer, sizeof trailer))
            return ErrorMsg(kWriteError);
    }
    if ((file && !file->commit()))
        return ErrorMsg(kWriteError);
    DoStatusMsg(100, 100, "Done");
    return 1;
}
