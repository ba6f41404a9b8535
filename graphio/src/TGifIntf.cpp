#include "pictrans/TGifIntf.h"

#include "pictrans/GifCodec.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

namespace {

// Messages, each naming one fault.
constexpr const char* kNotFound = "%s not found";
constexpr const char* kHeaderRead = "Error reading GIF header";
constexpr const char* kNotGif = "File is not a valid GIF file";
constexpr const char* kScreenRead = "Error reading GIF screen descriptor";
constexpr const char* kColorTableRead = "Error reading global color table";
constexpr const char* kExtensionRead = "Could not read GIF Extension";
constexpr const char* kTrailer = "Unexpected GIF trailer";
constexpr const char* kUnknown = "Unknown or invalid construct";
constexpr const char* kNoImage = "No image found in GIF file";
constexpr const char* kImageDescRead = "Error reading GIF image descriptor";
constexpr const char* kLineMemory = "Insufficient memory to load image";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kCodeSize = "Invalid GIF code size";
constexpr const char* kImageData = "Error reading GIF image data";
constexpr const char* kMemProblem = "Memory Problem - proceed with caution.";
constexpr const char* kNoDevice = "Could not access Graphics Device.";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kNoPalette = "Warning: Palette information unavailable.";
constexpr const char* kWriteMemory = "Insufficient Memory to write GIF image.";
constexpr const char* kPixelMemory = "Insufficient memory to write GIF File.";
constexpr const char* kWriteError = "Error Writing to File.";
constexpr const char* kTooLarge = "Picture too large for a GIF file.";

constexpr const char* kReading = "Reading GIF Image";
constexpr const char* kWriting = "Writing GIF Image";

// Reads n colour table entries (red, green, blue).
bool readColorTable(InStream& in, int n, std::vector<platform::PALETTEENTRY>& out)
{
    std::uint8_t rgb[3 * 256];
    const std::size_t bytes = 3 * static_cast<std::size_t>(n);
    if (in.read(rgb, bytes) != bytes)
        return false;
    out.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i)] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], platform::PC_NOCOLLAPSE};
    return true;
}

// Bitmap depth for a colour table of n entries.
int depthForColors(std::size_t n)
{
    if (n <= 2)
        return 1;
    return n <= 16 ? 4 : 8;
}

// The largest number of pixels n bytes of LZW data can describe: every code
// takes at least minCodeSize + 1 bits and no string is longer than the table.
std::int64_t pixelCapacity(std::size_t bytes, int minCodeSize)
{
    const std::int64_t codes = static_cast<std::int64_t>(bytes) * 8 / (minCodeSize + 1);
    return codes * LZW_TABLE_SIZE;
}

// Rows of an interlaced image in the order they are stored: passes start at
// rows 0, 4, 2 and 1 and step by 8, 8, 4 and 2.
std::vector<int> interlacedRows(int height)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    }
    return rows;
}

// Passes a chain of data sub-blocks up to and including the empty one that
// ends it; false when the data ends first.
bool skipSubBlocks(InStream& in)
{
    for (;;) {
        const int n = in.getc();
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (in.remaining() < static_cast<std::size_t>(n))
            return false;
        in.seek(in.tell() + static_cast<std::size_t>(n));
    }
}

} // namespace

TGifIntf::TGifIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("GIF");
}

std::unique_ptr<platform::Bitmap> TGifIntf::ReadFile(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kNotFound, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

bool TGifIntf::SkipExtension(InStream& in)
{
    // Every extension, whatever its label, is a chain of sub-blocks ending
    // in an empty one; the fixed part of the known ones is the first block.
    if (in.getc() < 0)
        return false;
    return skipSubBlocks(in);
}

bool TGifIntf::SkipImage(InStream& in)
{
    GIFIMDESC desc;
    if (desc.get(in) != 0)
        return false;
    if (desc.hasLocalTable()) {
        const std::size_t bytes = 3 * static_cast<std::size_t>(desc.tableSize());
        if (in.remaining() < bytes)
            return false;
        in.seek(in.tell() + bytes);
    }
    if (in.getc() < 0) // minimum code size
        return false;
    return skipSubBlocks(in);
}

std::unique_ptr<platform::Bitmap> TGifIntf::ReadStream(InStream& in, int image)
{
    resultPalette_.reset();
    globalColors_.clear();

    GIFHEADER header;
    if (header.get(in) != 0)
        return ErrorMsg(kHeaderRead), nullptr;
    if (!header.isvalid())
        return ErrorMsg(kNotGif), nullptr;
    GIFSCDESC screen;
    if (screen.get(in) != 0)
        return ErrorMsg(kScreenRead), nullptr;
    if (screen.hasGlobalTable() && !readColorTable(in, screen.tableSize(), globalColors_))
        return ErrorMsg(kColorTableRead), nullptr;

    bool reported = false;
    for (;;) {
        const int c = in.getc();
        if (c <= 0)
            break;
        if (c == GIF_IMAGE_ID && image > 0) {
            if (!SkipImage(in))
                return ErrorMsg(kImageData), nullptr;
            --image;
            continue;
        }
        if (c == GIF_IMAGE_ID)
            return PaintImage(in);
        if (c == GIF_EXTENSION_ID) {
            if (!SkipExtension(in))
                return ErrorMsg(kExtensionRead), nullptr;
            continue;
        }
        if (c == GIF_TRAILER) {
            ErrorMsg(kTrailer);
            reported = true;
            continue;
        }
        ErrorMsg(kUnknown);
        return nullptr;
    }
    if (!reported)
        ErrorMsg(kNoImage);
    return nullptr;
}

std::unique_ptr<platform::Bitmap> TGifIntf::PaintImage(InStream& in)
{
    GIFIMDESC desc;
    if (desc.get(in) != 0)
        return ErrorMsg(kImageDescRead), nullptr;
    std::vector<platform::PALETTEENTRY> colors;
    if (desc.hasLocalTable()) {
        if (!readColorTable(in, desc.tableSize(), colors))
            return ErrorMsg(kColorTableRead), nullptr;
    } else {
        colors = globalColors_;
    }

    const int width = desc.imwidth;
    const int height = desc.imheight;
    if (width == 0 || height == 0)
        return ErrorMsg(kImageDescRead), nullptr;
    const int minCodeSize = in.getc();
    if (minCodeSize < 0)
        return ErrorMsg(kImageData), nullptr;
    if (minCodeSize < LZW_MIN_CODE_SIZE_LOW || minCodeSize > LZW_MIN_CODE_SIZE_HIGH)
        return ErrorMsg(kCodeSize), nullptr;
    const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
    if (pixels > platform::Bitmap::kMaxPixels)
        return ErrorMsg(kImageMemory), nullptr;
    if (pixels > pixelCapacity(in.remaining(), minCodeSize))
        return ErrorMsg(kImageData), nullptr;

    if (colors.empty()) {
        // No table at all: the default colours, at a depth that holds every
        // value the codes can carry.
        const platform::RGBQUAD* def = GetDefRGB(16);
        for (int i = 0; i < 16; ++i)
            colors.push_back({def[i].rgbRed, def[i].rgbGreen, def[i].rgbBlue, platform::PC_NOCOLLAPSE});
        if (minCodeSize > 4)
            colors.resize(256, {0, 0, 0, platform::PC_NOCOLLAPSE});
    }
    const int depth = depthForColors(colors.size());
    colors.resize(std::size_t{1} << depth, {0, 0, 0, platform::PC_NOCOLLAPSE});

    std::vector<std::uint8_t> line;
    try {
        line.assign(static_cast<std::size_t>(width), 0);
    } catch (const std::bad_alloc&) {
        return ErrorMsg(kLineMemory), nullptr;
    }
    auto bitmap = platform::Bitmap::create(width, height, depth);
    if (!bitmap)
        return ErrorMsg(kImageMemory), nullptr;

    DoStatusMsg(0, 0, kReading);
    GifDecoder decoder(in, minCodeSize, width);
    decoder.init();
    const int band = BandRows(height, bitmap->stride());
    const std::vector<int> order = desc.interlaced() ? interlacedRows(height) : std::vector<int>{};
    for (int r = 0; r < height; ++r) {
        const int y = desc.interlaced() ? order[static_cast<std::size_t>(r)] : r;
        std::uint8_t* row = bitmap->rowFromTop(y);
        if (depth == 8) {
            decoder.decode(row, width);
        } else {
            decoder.decode(line.data(), width);
            BmpEncode(row, line.data(), depth, width);
        }
        if (decoder.pixelsDecoded() < width)
            return ErrorMsg(kImageData), nullptr;
        if ((r + 1) % band == 0 || r + 1 == height)
            DoStatusMsg(height, r + 1, kReading);
        if (Stopped())
            return FreeImgMem(), nullptr;
    }
    decoder.term();
    if (FreeImgMem() != 0)
        ErrorMsg(kMemProblem);
    DoStatusMsg(100, 100, "Done");
    resultPalette_ = std::make_unique<platform::Palette>(colors);
    return bitmap;
}

int TGifIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
    if (!OverwriteOk(fileName))
        return 0;
    return Write(&fileName, nullptr, bm, bitmap, palette);
}

int TGifIntf::WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                          const platform::Palette* palette)
{
    return Write(nullptr, &out, bm, bitmap, palette);
}

int TGifIntf::Write(const std::string* fileName, OutStream* sink, const platform::BITMAP& bm,
                    const platform::Bitmap* bitmap, const platform::Palette* palette)
{
    if (!bitmap)
        return ErrorMsg(kNoDevice);
    if (bm.bmBitsPixel >= 9)
        return ErrorMsg(kBits);
    const int depth = (bm.bmBitsPixel ? bm.bmBitsPixel : 1) * (bm.bmPlanes ? bm.bmPlanes : 1);
    if (depth != 1 && depth != 4 && depth != 8)
        return ErrorMsg(kBits);
    const int width = bitmap->width();
    const int height = bitmap->height();
    if (width > 0xFFFF || height > 0xFFFF)
        return ErrorMsg(kTooLarge);
    const int minCodeSize = depth < 8 ? depth + 1 : 8;

    std::vector<platform::PALETTEENTRY> colors;
    if (palette) {
        auto e = palette->entries();
        colors.assign(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(e.size(), 256)));
    } else {
        ErrorMsg(kNoPalette);
        colors = GetDeviceColors(depth);
    }
    // The screen descriptor declares a table of the full depth, so exactly
    // that many entries are written.
    colors.resize(std::size_t{1} << depth);

    // Rows whose depth differs from the bitmap's are converted on the way.
    const bool direct = bitmap->bitsPerPixel() == depth;
    const platform::BITMAPINFOHEADER info = MakeInfoHeader(width, height, depth);
    std::uint8_t* rowMem = nullptr;
    if (!direct && !(rowMem = AllocImgMem(platform::dibStride(width, depth))))
        return ErrorMsg(kWriteMemory);
    std::vector<std::uint8_t> pixels;
    try {
        pixels.assign(static_cast<std::size_t>(width), 0);
    } catch (const std::bad_alloc&) {
        return ErrorMsg(kPixelMemory);
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

    GIFHEADER header;
    if (header.put(out) != 0)
        return ErrorMsg(kWriteError);
    GIFSCDESC screen;
    screen.scwidth = static_cast<std::uint16_t>(width);
    screen.scheight = static_cast<std::uint16_t>(height);
    screen.flags = static_cast<std::uint8_t>(0x80 | ((depth - 1) << 4) | (depth - 1));
    if (screen.put(out) != 0)
        return ErrorMsg(kWriteError);
    std::vector<std::uint8_t> table;
    for (const auto& c : colors) {
        table.push_back(c.peRed);
        table.push_back(c.peGreen);
        table.push_back(c.peBlue);
    }
    GIFIMDESC desc;
    desc.imwidth = static_cast<std::uint16_t>(width);
    desc.imheight = static_cast<std::uint16_t>(height);
    if (!out.write(table.data(), table.size()) || desc.put(out) != 0 ||
        !out.putc(static_cast<std::uint8_t>(minCodeSize)))
        return ErrorMsg(kWriteError);

    GifEncoder encoder(out, minCodeSize);
    encoder.init();
    int lastReport = 0;
    for (int y = 0; y < height && encoder.status() == CODEC_OK && !Stopped(); ++y) {
        if (direct && depth == 8) {
            encoder.encode(bitmap->rowFromTop(y), width);
        } else {
            const std::uint8_t* row = bitmap->rowFromTop(y);
            if (!direct) {
                bitmap->getDIBits(height - 1 - y, 1, rowMem, info, palette);
                row = rowMem;
            }
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
    if (status != CODEC_OK || !out.putc(0) || !out.putc(GIF_TRAILER) || (file && !file->commit()))
        return ErrorMsg(kWriteError);
    DoStatusMsg(100, 100, "Done");
    return 1;
}
