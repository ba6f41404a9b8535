#include "pictrans/TBmpIntf.h"

#include "pictrans/BmpDecoder.h"
#include "pictrans/BmpEncoder.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint16_t kBmpType = 0x4D42; // "BM"
constexpr std::size_t kFileHeaderSize = 14;

// Information header sizes: the Windows headers all begin with the 40-byte
// one and only add fields after it; the 12-byte header is the old OS/2 one,
// and OS/2 2.x headers of 16 to 64 bytes share the first fields of the
// Windows header but use compression codes of their own.
constexpr std::uint32_t kCoreHeader = 12;
bool isWindowsHeader(std::uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}
bool isOs2Header(std::uint32_t size)
{
    return size >= 16 && size <= 64 && !isWindowsHeader(size);
}

// What the reader learns from the headers before it touches the pixels.
struct BmpLayout {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows stored top-down
    int bitsPerPixel = 0;
    std::uint32_t compression = platform::BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::size_t entrySize = 4; // bytes per colour table entry
};

void putU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void putU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool writeFileHeader(OutStream& out, std::uint32_t fileSize, std::uint32_t pixelOffset)
{
    std::uint8_t h[kFileHeaderSize] = {};
    putU16(h, kBmpType);
    putU32(h + 2, fileSize);
    putU32(h + 10, pixelOffset);
    return out.seek(0) && out.write(h, sizeof h);
}

// Colour table: the picture's palette, or failing that the device's (our
// display is a palette device: its system palette is the picture's). A
// true-colour file has none (its pixels are their colours).
platform::Palette headerColours(const platform::Palette* palette, int depth)
{
    if (palette && !palette->empty())
        return *palette;
    return depth <= 8 ? platform::Palette::system() : platform::Palette();
}

} // namespace

TBmpIntf::TBmpIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("BMP");
}

std::unique_ptr<platform::Bitmap> TBmpIntf::ReadFile(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg("BMP file not found");
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TBmpIntf::ReadStream(InStream& in)
{
    platform::ByteReader r(in.bytes());

    // File header.
    const std::uint16_t type = r.u16();
    r.skip(8); // file size and reserved words: often wrong, never needed
    BmpLayout L;
    L.pixelOffset = r.u32();
    if (!r.ok()) {
        ErrorMsg("Error reading BMP file");
        return nullptr;
    }
    if (type != kBmpType) {
        ErrorMsg("File is not a valid BMP file");
        return nullptr;
    }

    // Information header.
    L.headerSize = r.u32();
    if (!r.ok()) {
        ErrorMsg("Error reading Bitmap Info Header.");
        return nullptr;
    }
    if (L.headerSize != kCoreHeader && !isWindowsHeader(L.headerSize) && !isOs2Header(L.headerSize)) {
        ErrorMsg("Format error or file is not a BMP file");
        return nullptr;
    }
    platform::ByteReader h(r.view(L.headerSize - 4));
    if (!r.ok()) {
        ErrorMsg("Error reading Bitmap Info Header.");
        return nullptr;
    }
    if (L.headerSize == kCoreHeader) {
        L.width = h.u16();
        L.height = h.i16();
        h.u16(); // planes
        L.bitsPerPixel = h.u16();
        L.entrySize = 3;
    } else {
        // Fields a short OS/2 2.x header leaves out read as zero.
        L.width = h.i32();
        L.height = h.i32();
        h.u16(); // planes: always 1 in practice, and a wrong value changes nothing here
        L.bitsPerPixel = h.u16();
        L.compression = h.u32();
        h.skip(12); // image size and resolution
        L.colorsUsed = h.u32();
        if (isOs2Header(L.headerSize) && L.compression > platform::BI_RLE4) {
            // Huffman and 24-bit run-length coding of OS/2.
            ErrorMsg("Only Windows Compatible Bitmaps are supported.");
            return nullptr;
        }
    }

    // Colour masks: inside the longer Windows headers, else just after the
    // 40-byte one.
    std::size_t tableStart = kFileHeaderSize + L.headerSize;
    std::uint32_t masks[3] = {};
    if (L.compression == BI_BITFIELDS) {
        platform::ByteReader m(in.bytes());
        m.seek(L.headerSize >= 52 ? kFileHeaderSize + 40 : tableStart);
        for (auto& mask : masks)
            mask = m.u32();
        if (L.headerSize < 52)
            tableStart += 12;
        if (!m.ok()) {
            ErrorMsg("Error reading Bitmap Info Header.");
            return nullptr;
        }
    }

    // What this reader can hold.
    const int bpp = L.bitsPerPixel;
    const bool trueColour = bpp == 16 || bpp == 24 || bpp == 32;
    if (bpp == 2 || bpp == 64) {
        ErrorMsg("Only bitmaps of 1, 4, 8, 16, 24 or 32 bits per pixel are supported.");
        return nullptr;
    }
    const bool rle = L.compression == platform::BI_RLE8 || L.compression == platform::BI_RLE4;
    const bool validCoding = (L.compression == platform::BI_RGB && (bpp == 1 || bpp == 4 || bpp == 8 || trueColour)) ||
                             (L.compression == BI_BITFIELDS && (bpp == 16 || bpp == 32)) ||
                             (L.compression == platform::BI_RLE8 && bpp == 8) ||
                             (L.compression == platform::BI_RLE4 && bpp == 4);
    // Run-length pictures are always stored bottom-up.
    if (!validCoding || L.width <= 0 || L.height == 0 || (rle && L.height < 0)) {
        ErrorMsg("Format error or file is not a BMP file");
        return nullptr;
    }
    const bool topDown = L.height < 0;
    const std::int64_t height64 = topDown ? -L.height : L.height;
    if (L.width * height64 > platform::Bitmap::kMaxPixels) {
        ErrorMsg("Insufficient memory to write image");
        return nullptr;
    }
    const int width = static_cast<int>(L.width);
    const int height = static_cast<int>(height64);

    // Colour table: the number of entries the header asks for (all that the
    // depth allows when it says 0 or too many), but never more than fit
    // between the headers and the pixel data, since some writers store a
    // short table without saying so. True-colour pixels need none, and any
    // table they carry is only a hint for palette displays.
    std::size_t colors = 0;
    if (!trueColour) {
        const std::size_t maxColors = std::size_t{1} << bpp;
        colors = (L.colorsUsed > 0 && L.colorsUsed <= maxColors) ? L.colorsUsed : maxColors;
    }
    if (L.pixelOffset < tableStart + (trueColour ? 0 : L.entrySize)) {
        ErrorMsg("Format error or file is not a BMP file");
        return nullptr;
    }
    colors = std::min(colors, (L.pixelOffset - tableStart) / L.entrySize);

    platform::ByteReader t(in.bytes());
    t.seek(tableStart);
    std::vector<platform::PALETTEENTRY> entries(colors);
    for (auto& e : entries) {
        std::uint8_t quad[4] = {};
        if (!t.bytes(quad, L.entrySize)) {
            ErrorMsg("Error reading RGB QUAD");
            return nullptr;
        }
        e = {quad[2], quad[1], quad[0], platform::PC_NOCOLLAPSE};
    }
    if (!trueColour && t.atEnd()) {
        ErrorMsg("Error reading RGB color table");
        return nullptr;
    }

    // The pixel data must be in the file: every byte of an uncompressed
    // picture (the last row's padding may be missing), and at least one byte
    // per 128 pixels of a run-length one (a run of 255 pixels takes 2 bytes).
    const std::size_t fileRowLength = platform::dibStride(width, bpp);
    if (L.pixelOffset > in.size()) {
        ErrorMsg("Error reading BMP file");
        return nullptr;
    }
    const std::uint64_t available = in.size() - L.pixelOffset;
    const std::uint64_t needed =
        rle ? (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) + 127) / 128
            : static_cast<std::uint64_t>(height - 1) * fileRowLength +
                  (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bpp) + 7) / 8;
    if (needed > available) {
        ErrorMsg("Error reading BMP file");
        return nullptr;
    }

    if (L.compression == platform::BI_RGB && platform::Bitmap::validDepth(bpp))
        return readPlainRows(in, L.pixelOffset, width, height, bpp, topDown, entries);

    in.seek(L.pixelOffset);
    BmpDecoder decoder(in, L.compression, bpp, width, height);
    if (L.compression == BI_BITFIELDS && !decoder.setMasks(masks[0], masks[1], masks[2])) {
        ErrorMsg("Format error or file is not a BMP file");
        return nullptr;
    }
    decoder.init();

    // The device bitmap keeps indexed pictures at their own depth and holds
    // every true-colour one at 24 bits.
    const int depth = trueColour ? 24 : bpp;
    const std::size_t rowLength = platform::dibStride(width, depth);
    const int band = BandRows(height, rowLength);
    std::vector<std::uint8_t> pixels;
    std::uint8_t* bandMem = nullptr;
    try {
        pixels.assign(static_cast<std::size_t>(width) * (trueColour ? 3 : 1), 0);
        bandMem = AllocImgMem(static_cast<std::size_t>(band) * rowLength);
    } catch (const std::bad_alloc&) {
        bandMem = nullptr;
    }
    if (!bandMem) {
        ErrorMsg("Insufficient memory to write image");
        return nullptr;
    }

    DoStatusMsg(0, 0, "Reading Bitmap");
    auto palette = std::make_unique<platform::Palette>(entries);
    auto bitmap = platform::Bitmap::create(width, height, depth);
    if (!bitmap) {
        FreeImgMem();
        ErrorMsg("Insufficient memory to write image");
        return nullptr;
    }

    int done = 0;
    while (done < height) {
        const int rows = std::min(band, height - done);
        for (int i = 0; i < rows; ++i) {
            const int st = decoder.decode(pixels.data(), width);
            const bool lastRow = done + i == height - 1;
            if (BmpDecoder::isFailure(st) && !(st == CODEC_EOF && lastRow)) {
                FreeImgMem();
                ErrorMsg(st == CODEC_EOF ? "Error reading BMP file" : "Format error or file is not a BMP file");
                return nullptr;
            }
            // File rows run bottom-up, or top-down when the height is negative;
            // band memory always runs bottom-up.
            const int memRow = topDown ? rows - 1 - i : i;
            std::uint8_t* dib = bandMem + static_cast<std::size_t>(memRow) * rowLength;
            if (trueColour) {
                for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                    dib[3 * x] = pixels[3 * x + 2];
                    dib[3 * x + 1] = pixels[3 * x + 1];
                    dib[3 * x + 2] = pixels[3 * x];
                }
            } else {
                BmpEncode(dib, pixels.data(), bpp, width);
            }
        }
        const int startScan = topDown ? height - done - rows : done;
        platform::BITMAPINFOHEADER info = MakeInfoHeader(width, rows, depth);
        bitmap->setDIBits(startScan, rows, bandMem, info, palette.get());
        done += rows;
        DoStatusMsg(height, done, "Reading Bitmap");
        if (Stopped()) {
            FreeImgMem();
            return nullptr;
        }
    }
    if (BmpDecoder::isFailure(decoder.term()) && decoder.status() != CODEC_EOF) {
        FreeImgMem();
        ErrorMsg("Format error or file is not a BMP file");
        return nullptr;
    }

    if (FreeImgMem() != 0)
        ErrorMsg("Memory problem - Proceed with caution.");
    resultPalette_ = std::move(palette);
    DoStatusMsg(100, 100, "Done");
    return bitmap;
}

std::unique_ptr<platform::Bitmap> TBmpIntf::readPlainRows(InStream& in, std::size_t pixelOffset, int width,
                                                          int height, int bpp, bool topDown,
                                                          const std::vector<platform::PALETTEENTRY>& entries)
{
    DoStatusMsg(0, 0, "Reading Bitmap");
    auto palette = std::make_unique<platform::Palette>(entries);
    if (keepFile_ && !topDown && (bpp == 8 || bpp == 24)) {
        // The file's rows are the bitmap's own layout: they stay where they are.
        if (auto kept = platform::Bitmap::overFile(in.file(), pixelOffset, width, height, bpp)) {
            resultPalette_ = std::move(palette);
            DoStatusMsg(100, 100, "Done");
            return kept;
        }
    }
    auto bitmap = platform::Bitmap::create(width, height, bpp);
    if (!bitmap) {
        ErrorMsg("Insufficient memory to write image");
        return nullptr;
    }
    const std::size_t fileRowLength = platform::dibStride(width, bpp);
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bpp);
    const std::size_t fullBytes = static_cast<std::size_t>(bits / 8);
    const int tailBits = static_cast<int>(bits % 8);
    const std::uint8_t tailMask = static_cast<std::uint8_t>(0xFF00u >> tailBits);
    const std::uint8_t* file = in.bytes().data() + pixelOffset;
    const int band = BandRows(height, bitmap->stride());
    // The caller checked that every row's pixels are in the file; only the
    // last row's padding may be missing, and padding is never read.
    for (int done = 0; done < height;) {
        const int rows = std::min(band, height - done);
        for (int i = done; i < done + rows; ++i) {
            const std::uint8_t* src = file + static_cast<std::size_t>(i) * fileRowLength;
            std::uint8_t* dst = bitmap->row(topDown ? height - 1 - i : i);
            std::memcpy(dst, src, fullBytes);
            if (tailBits)
                dst[fullBytes] = src[fullBytes] & tailMask;
        }
        done += rows;
        in.release(pixelOffset + static_cast<std::size_t>(done) * fileRowLength);
        DoStatusMsg(height, done, "Reading Bitmap");
        if (Stopped()) {
            FreeImgMem();
            return nullptr;
        }
    }
    resultPalette_ = std::move(palette);
    DoStatusMsg(100, 100, "Done");
    return bitmap;
}

int TBmpIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
    if (!OverwriteOk(fileName))
        return 0;
    platform::SafeFile file(fileName);
    if (!file.open())
        return ErrorMsg("Could not open file.");
    FileOutStream out(file.stream());
    if (!WriteStream(out, bm, bitmap, palette))
        return 0; // the temporary goes; an existing file stays as it was
    if (!file.commit())
        return ErrorMsg("Error Writing Bitmap Header");
    return 1;
}

int TBmpIntf::WriteHeader(OutStream& out, int width, int height, int depth, const platform::Palette* palette)
{
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return ErrorMsg("Number of bits is not supported.");
    if (width < 1 || height < 1)
        return ErrorMsg("Could not access Graphics Device.");
    std::size_t colors = depth <= 8 ? std::size_t{1} << depth : 0;
    const std::size_t rowLength = platform::dibStride(width, depth);
    const std::uint64_t imageSize = static_cast<std::uint64_t>(rowLength) * static_cast<std::uint64_t>(height);
    if (imageSize + 54 + 4 * 256 > std::numeric_limits<std::uint32_t>::max())
        return ErrorMsg("Insufficient memory to write BMP File.");

    platform::BITMAPINFO info;
    info.bmiHeader = MakeInfoHeader(width, height, depth);
    const platform::Palette used = headerColours(palette, depth);
    if (palette && !palette->empty()) {
        if (depth != 24)
            colors = std::min<std::size_t>(used.size(), platform::Palette::kMaxEntries);
    } else if (depth <= 8) {
        // A true-colour file carries no colour table, so only indexed
        // pictures miss their palette.
        ErrorMsg("Warning: Palette information unavailable.");
    }
    if (colors > 256)
        return ErrorMsg("Palette is not supported.");
    // A table shorter than the depth's full one says how long it is;
    // readers take a count of 0 for the full table.
    if (depth <= 8 && colors < (std::size_t{1} << depth))
        info.bmiHeader.biClrUsed = static_cast<std::uint32_t>(colors);
    const auto pixelOffset = static_cast<std::uint32_t>(54 + 4 * colors);
    if (!writeFileHeader(out, static_cast<std::uint32_t>(imageSize + pixelOffset), pixelOffset))
        return ErrorMsg("Error Writing Bitmap Header");
    std::uint8_t headerBytes[platform::BITMAPINFOHEADER::kSize];
    info.bmiHeader.store(headerBytes);
    if (!out.seek(kFileHeaderSize) || !out.write(headerBytes, sizeof headerBytes))
        return ErrorMsg("Error writing Bitmap Info Header.");
    info.bmiColors.resize(colors);
    for (std::size_t i = 0; i < colors && i < used.size(); ++i)
        info.bmiColors[i] = {used[i].peBlue, used[i].peGreen, used[i].peRed, 0};
    const std::vector<std::uint8_t> table = info.bytes();
    if (!out.seek(54) ||
        !out.write(table.data() + platform::BITMAPINFOHEADER::kSize, table.size() - platform::BITMAPINFOHEADER::kSize))
        return ErrorMsg("Error writing Palette information.");
    return 1;
}

int TBmpIntf::WriteStream(OutStream& out, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                          const platform::Palette* palette)
{
    // The "device" is the bitmap itself; it must be the one described.
    if (!bitmap || bm.bmWidth != bitmap->width() || bm.bmHeight != bitmap->height())
        return ErrorMsg("Could not access Graphics Device.");

    const int depth = (bm.bmBitsPixel ? bm.bmBitsPixel : 1) * (bm.bmPlanes ? bm.bmPlanes : 1);
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return ErrorMsg("Number of bits is not supported.");
    const int width = bm.bmWidth;
    const int height = bm.bmHeight;
    const std::size_t rowLength = platform::dibStride(width, depth);

    std::vector<std::uint8_t> pixels;
    try {
        pixels.assign(static_cast<std::size_t>(width) * (depth == 24 ? 3 : 1), 0);
    } catch (const std::bad_alloc&) {
        return ErrorMsg("Insufficient memory to write BMP File.");
    }

    if (!WriteHeader(out, width, height, depth, palette))
        return 0;
    std::uint8_t* rowMem = AllocImgMem(rowLength);
    if (!rowMem)
        return ErrorMsg("Insufficient Memory to write Bitmap image.");
    // Rows not at the file's depth are looked up in the header's colours.
    const platform::Palette used = headerColours(palette, depth);
    platform::BITMAPINFO info;
    info.bmiHeader = MakeInfoHeader(width, height, depth);

    const std::size_t pixelOffset = out.tell();
    DoStatusMsg(0, 0, "Writing Bitmap");
    BmpEncoder encoder(out, depth);
    encoder.init();
    int lastReport = 0;
    // A bitmap of the file's depth holds the file's rows, bottom-up at the
    // same stride: runs of rows are written straight from it. A row whose
    // bits past the width are not all clear is written from a cleared copy.
    const int fastRows = bitmap->bitsPerPixel() == depth ? height : 0;
    if (fastRows > 0) {
        const std::uint64_t usedBits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(depth);
        const std::size_t fullBytes = static_cast<std::size_t>(usedBits / 8);
        const int tailBits = static_cast<int>(usedBits % 8);
        const std::uint8_t tailMask = static_cast<std::uint8_t>(0xFF00u >> tailBits);
        auto clean = [&](const std::uint8_t* row) {
            if (tailBits && (row[fullBytes] & ~tailMask))
                return false;
            for (std::size_t i = fullBytes + (tailBits ? 1 : 0); i < rowLength; ++i) {
                if (row[i])
                    return false;
            }
            return true;
        };
        // About a megabyte a write.
        const int chunk = static_cast<int>(std::max<std::size_t>(1, (std::size_t{1} << 20) / rowLength));
        bool ok = true;
        for (int y = 0; y < height && ok && !Stopped();) {
            const int end = std::min(height, y + chunk);
            int first = y;
            for (; y < end && ok; ++y) {
                const std::uint8_t* row = bitmap->row(y);
                if (clean(row))
                    continue;
                ok = (y == first || out.write(bitmap->row(first), static_cast<std::size_t>(y - first) * rowLength));
                std::memcpy(rowMem, row, rowLength);
                if (tailBits)
                    rowMem[fullBytes] &= tailMask;
                std::memset(rowMem + fullBytes + (tailBits ? 1 : 0), 0, rowLength - fullBytes - (tailBits ? 1 : 0));
                ok = ok && out.write(rowMem, rowLength);
                first = y + 1;
            }
            ok = ok && (y == first || out.write(bitmap->row(first), static_cast<std::size_t>(y - first) * rowLength));
            // The reports a row at a time would have made: every 10 rows.
            for (; ok && !Stopped() && lastReport + 10 < y; lastReport += 10)
                DoStatusMsg(height, lastReport + 10, "Writing Bitmap");
        }
        if (!ok) {
            FreeImgMem();
            return ErrorMsg("Error writing Bitmap image.");
        }
    }
    for (int y = fastRows; y < height && !Stopped(); ++y) {
        bitmap->getDIBits(y, 1, rowMem, info.bmiHeader, &used);
        if (depth == 24) {
            // Device rows hold blue, green, red; the encoder takes red, green, blue.
            for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                pixels[3 * x] = rowMem[3 * x + 2];
                pixels[3 * x + 1] = rowMem[3 * x + 1];
                pixels[3 * x + 2] = rowMem[3 * x];
            }
        } else {
            BmpDecode(rowMem, pixels.data(), depth, width);
        }
        if (encoder.encode(pixels.data(), width) != CODEC_OK) {
            FreeImgMem();
            return ErrorMsg("Error writing Bitmap image.");
        }
        if (y - lastReport >= 10) {
            DoStatusMsg(height, y, "Writing Bitmap");
            lastReport = y;
        }
    }
    if (Stopped()) {
        // Stopped from the status window: no message, and no file.
        FreeImgMem();
        return 0;
    }
    const int st = encoder.term();
    if (FreeImgMem() != 0)
        ErrorMsg("Memory Problem - proceed with caution.");
    if (st != CODEC_OK)
        return ErrorMsg("Error writing Bitmap image.");

    const std::size_t fileSize = out.tell();
    if (!writeFileHeader(out, static_cast<std::uint32_t>(fileSize), static_cast<std::uint32_t>(pixelOffset)) ||
        !out.seek(fileSize))
        return ErrorMsg("Error Writing Bitmap Header");
    DoStatusMsg(100, 100, "Done");
    return 1;
}
