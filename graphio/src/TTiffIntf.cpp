#include "pictrans/TTiffIntf.h"

#include "pictrans/PictureBuild.h"
#include "pictrans/PictureRows.h"
#include "pictrans/TiffClient.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

using pictrans::tiff::lib;

namespace {

constexpr const char* kNotFound = "%s not found";
constexpr const char* kNotTiff = "File is not a valid TIFF file";
constexpr const char* kReadError = "Error reading TIFF file: %s.";
constexpr const char* kTooLarge = "A picture of %u x %u pixels is too large to be read.";
constexpr const char* kTooLittleData = "Error reading TIFF file: too little image data for %u x %u pixels.";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kNoDevice = "Could not access Graphics Device.";
constexpr const char* kBits = "Number of bits is not supported.";
constexpr const char* kWriteError = "Error writing TIFF file: %s.";
constexpr const char* kReading = "Reading TIFF Image";
constexpr const char* kWriting = "Writing TIFF Image";

// The most a compressed byte can stand for: LZW's longest string per code,
// which is beyond Deflate's 1032 and PackBits' 64.
constexpr std::uint64_t kMaxRatio = 4096;
// The most one strip or row of tiles may take decoded.
constexpr std::uint64_t kMaxBand = std::uint64_t{512} << 20;


// What a picture's tags say, and how our own path reads it.
struct Layout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    std::uint16_t format = SAMPLEFORMAT_UINT, compression = COMPRESSION_NONE;
    int alpha = -1;         // sample index of the alpha, -1 for none
    bool associated = false; // colours already multiplied by alpha
    bool grey() const { return photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE; }
    int colours() const { return grey() || photometric == PHOTOMETRIC_PALETTE ? 1 : 3; }
};

// Our own path: unsigned grey (1 to 16 bits), palette (up to 8) and RGB (8
// or 16), samples interleaved. Everything else goes through libtiff's RGBA.
bool ownPath(const Layout& l)
{
    if (l.planar != PLANARCONFIG_CONTIG || l.format != SAMPLEFORMAT_UINT || l.spp < l.colours() || l.spp > 8)
        return false;
    if (l.grey())
        return l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || l.bits == 16;
    if (l.photometric == PHOTOMETRIC_PALETTE)
        return l.spp == 1 && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8);
    return l.photometric == PHOTOMETRIC_RGB && (l.bits == 8 || l.bits == 16);
}

// Sample i of a row of packed samples of the given bits (16-bit ones in host order).
std::uint32_t sampleAt(const std::uint8_t* row, std::size_t i, int bits)
{
    switch (bits) {
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * i, 2);
        return v;
    }
    case 8:
        return row[i];
    default: {
        const std::size_t bit = i * static_cast<std::size_t>(bits);
        return (row[bit / 8] >> (8 - bits - static_cast<int>(bit % 8))) & ((1u << bits) - 1);
    }
    }
}

// The compressed (or stored) bytes behind the picture, as far as the file holds them.
std::uint64_t dataBytes(TIFF* t, std::uint64_t fileSize)
{
    const bool tiled = lib().IsTiled(t);
    const std::uint32_t count = tiled ? lib().NumberOfTiles(t) : lib().NumberOfStrips(t);
    std::uint64_t* counts = nullptr;
    if (!lib().GetField(t, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts)
        return 0;
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count && total < fileSize; ++i)
        total += counts[i];
    return std::min(total, fileSize);
}

// Reads the picture band by band (a strip, or a row of tiles) as packed
// scanlines and hands each scanline to put(y, row).
template <class Put>
std::string readScanlines(TIFF* t, const Layout& l, Put&& put)
{
    const std::uint64_t lineBytes = (std::uint64_t{l.width} * l.spp * l.bits + 7) / 8;
    std::vector<std::uint8_t> band, piece;
    if (lib().IsTiled(t)) {
        std::uint32_t tw = 0, th = 0;
        lib().GetField(t, TIFFTAG_TILEWIDTH, &tw);
        lib().GetField(t, TIFFTAG_TILELENGTH, &th);
        const std::uint64_t tileLine = (std::uint64_t{tw} * l.spp * l.bits + 7) / 8;
        const tmsize_t tileSize = lib().TileSize(t);
        if (lineBytes * th > kMaxBand)
            return "a row of tiles is too large";
        if (tw == 0 || th == 0 || tileSize <= 0 || tileLine * th > static_cast<std::uint64_t>(tileSize) ||
            (std::uint64_t{tw} * l.spp * l.bits) % 8 != 0)
            return "the tiles are not laid out as their size says";
        try {
            band.resize(static_cast<std::size_t>(lineBytes * th));
            piece.resize(static_cast<std::size_t>(tileSize));
        } catch (const std::bad_alloc&) {
            return "out of memory";
        }
        for (std::uint32_t y0 = 0; y0 < l.height; y0 += th) {
            for (std::uint32_t x0 = 0; x0 < l.width; x0 += tw) {
                if (lib().ReadEncodedTile(t, lib().ComputeTile(t, x0, y0, 0, 0), piece.data(), tileSize) < 0)
                    return "a tile cannot be read";
                const std::uint64_t at = (std::uint64_t{x0} * l.spp * l.bits) / 8;
                const std::uint64_t n = std::min(tileLine, lineBytes - at);
                for (std::uint32_t r = 0; r < th; ++r)
                    std::memcpy(band.data() + r * lineBytes + at, piece.data() + r * tileLine, static_cast<std::size_t>(n));
            }
            for (std::uint32_t r = 0; r < th && y0 + r < l.height; ++r)
                put(y0 + r, band.data() + r * lineBytes);
        }
        return {};
    }
    std::uint32_t rowsPerStrip = l.height;
    lib().GetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, l.height);
    if (lineBytes * rowsPerStrip > kMaxBand)
        return "a strip is too large";
    try {
        band.resize(static_cast<std::size_t>(lineBytes * rowsPerStrip));
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
    for (std::uint32_t y0 = 0, strip = 0; y0 < l.height; y0 += rowsPerStrip, ++strip) {
        const std::uint32_t rows = std::min(rowsPerStrip, l.height - y0);
        if (lib().ReadEncodedStrip(t, strip, band.data(), static_cast<tmsize_t>(lineBytes * rows)) < 0)
            return "a strip cannot be read";
        for (std::uint32_t r = 0; r < rows; ++r)
            put(y0 + r, band.data() + r * lineBytes);
    }
    return {};
}

struct ToFree {
    void operator()(void* p) const { std::free(p); }
};

} // namespace

TTiffIntf::TTiffIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("TIFF");
}

std::unique_ptr<platform::Bitmap> TTiffIntf::ReadFile(const std::string& fileName)
{
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kNotFound, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TTiffIntf::ReadStream(InStream& in)
{
    resultGrey16_.reset();
    sourceBits_ = 0;
    const auto file = in.bytes();
    const bool le = file.size() >= 4 && file[0] == 'I' && file[1] == 'I' && file[3] == 0 && (file[2] == 42 || file[2] == 43);
    const bool be = file.size() >= 4 && file[0] == 'M' && file[1] == 'M' && file[2] == 0 && (file[3] == 42 || file[3] == 43);
    if (!le && !be)
        return ErrorMsg(kNotTiff), nullptr;
    pictrans::tiff::Client client;
    client.in = file;
    const pictrans::tiff::Handle t = pictrans::tiff::open(client, "r");
    const auto failed = [&](const std::string& why) {
        ErrorMsg(platform::format(kReadError, (client.error.empty() ? why : client.error).c_str()));
        return nullptr;
    };
    if (!t)
        return failed("the file cannot be opened");

    Layout l;
    lib().GetField(t.get(), TIFFTAG_IMAGEWIDTH, &l.width);
    lib().GetField(t.get(), TIFFTAG_IMAGELENGTH, &l.height);
    lib().GetFieldDefaulted(t.get(), TIFFTAG_BITSPERSAMPLE, &l.bits);
    lib().GetFieldDefaulted(t.get(), TIFFTAG_SAMPLESPERPIXEL, &l.spp);
    lib().GetFieldDefaulted(t.get(), TIFFTAG_PLANARCONFIG, &l.planar);
    lib().GetFieldDefaulted(t.get(), TIFFTAG_SAMPLEFORMAT, &l.format);
    lib().GetFieldDefaulted(t.get(), TIFFTAG_COMPRESSION, &l.compression);
    if (!lib().GetField(t.get(), TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (l.width == 0 || l.height == 0)
        return failed("the picture has no pixels");
    if (std::uint64_t{l.width} * l.height > static_cast<std::uint64_t>(platform::Bitmap::kMaxPixels))
        return ErrorMsg(platform::format(kTooLarge, l.width, l.height)), nullptr;
    const std::uint64_t raw = std::uint64_t{l.width} * l.height * l.spp * l.bits / 8;
    const std::uint64_t data = dataBytes(t.get(), file.size());
    if (data * (l.compression == COMPRESSION_NONE ? 1 : kMaxRatio) < raw)
        return ErrorMsg(platform::format(kTooLittleData, l.width, l.height)), nullptr;

    // JPEG data of YCbCr pictures comes out as RGB.
    if (l.compression == COMPRESSION_JPEG && l.photometric == PHOTOMETRIC_YCBCR) {
        lib().SetField(t.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        l.photometric = PHOTOMETRIC_RGB;
    }
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (lib().GetField(t.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extra) {
        for (std::uint16_t i = 0; i < extraCount && l.alpha < 0; ++i) {
            if (extra[i] == EXTRASAMPLE_ASSOCALPHA || extra[i] == EXTRASAMPLE_UNASSALPHA) {
                l.alpha = l.colours() + i;
                l.associated = extra[i] == EXTRASAMPLE_ASSOCALPHA;
            }
        }
    }
    if (l.alpha >= l.spp)
        l.alpha = -1;

    const int width = static_cast<int>(l.width), height = static_cast<int>(l.height);
    const bool own = ownPath(l);
    const bool indexed = own && l.colours() == 1;
    const bool keep16 = own && l.grey() && l.bits == 16;
    auto bitmap = platform::Bitmap::create(width, height, indexed ? 8 : 24);
    std::unique_ptr<platform::Grey16Image> grey16;
    try {
        if (keep16) {
            grey16 = std::make_unique<platform::Grey16Image>();
            grey16->width = width;
            grey16->height = height;
            grey16->samples.resize(std::size_t{l.width} * l.height);
        }
    } catch (const std::bad_alloc&) {
        bitmap.reset();
    }
    if (!bitmap)
        return ErrorMsg(kImageMemory), nullptr;
    DoStatusMsg(0, 0, kReading);

    std::vector<platform::PALETTEENTRY> colours;
    if (!own) {
        // libtiff's own conversion: premultiplied RGBA, which is alpha on black.
        char why[1024] = {};
        if (!lib().RGBAImageOK(t.get(), why))
            return failed(why);
        std::unique_ptr<std::uint32_t, ToFree> raster(
            static_cast<std::uint32_t*>(std::malloc(static_cast<std::size_t>(std::uint64_t{l.width} * l.height * 4))));
        if (!raster)
            return ErrorMsg(kImageMemory), nullptr;
        if (!lib().ReadRGBAImageOriented(t.get(), l.width, l.height, raster.get(), ORIENTATION_TOPLEFT, 0))
            return failed("the picture cannot be read");
        for (int y = 0; y < height; ++y) {
            const std::uint32_t* s = raster.get() + static_cast<std::size_t>(y) * l.width;
            std::uint8_t* d = bitmap->rowFromTop(y);
            for (int x = 0; x < width; ++x, d += 3) {
                d[0] = static_cast<std::uint8_t>(TIFFGetB(s[x]));
                d[1] = static_cast<std::uint8_t>(TIFFGetG(s[x]));
                d[2] = static_cast<std::uint8_t>(TIFFGetR(s[x]));
            }
        }
        sourceBits_ = l.bits;
    } else {
        const std::uint32_t top = (1u << l.bits) - 1;
        const bool invert = l.photometric == PHOTOMETRIC_MINISWHITE;
        const bool sixteen = l.bits == 16;
        // A colour with its alpha (both of l.bits) dropped onto black, at
        // 16 bits for 16-bit samples as PNG does.
        const auto over = [&](std::uint32_t c, std::uint32_t a) -> std::uint32_t {
            if (l.associated)
                return std::min(c, a);
            return sixteen ? pictrans::over16(c, a) : pictrans::over8(pictrans::scaleSample(c, top, 255), pictrans::scaleSample(a, top, 255));
        };
        const auto put = [&](std::uint32_t y, const std::uint8_t* row) {
            std::uint8_t* d = bitmap->rowFromTop(static_cast<int>(y));
            for (std::uint32_t x = 0; x < l.width; ++x) {
                const std::size_t base = std::size_t{x} * l.spp;
                if (l.colours() == 1) {
                    std::uint32_t v = sampleAt(row, base, l.bits);
                    if (invert)
                        v = top - v;
                    if (l.alpha >= 0) {
                        std::uint32_t a = sampleAt(row, base + static_cast<std::size_t>(l.alpha), l.bits);
                        v = over(v, a);
                        if (!sixteen && l.associated)
                            v = pictrans::scaleSample(v, top, 255);
                    }
                    if (keep16)
                        grey16->samples[std::size_t{y} * l.width + x] = static_cast<std::uint16_t>(v);
                    d[x] = keep16 ? pictrans::to8(v) : static_cast<std::uint8_t>(v);
                    continue;
                }
                std::uint32_t c[3];
                for (int k = 0; k < 3; ++k) {
                    c[k] = sampleAt(row, base + static_cast<std::size_t>(k), l.bits);
                    if (l.alpha >= 0)
                        c[k] = over(c[k], sampleAt(row, base + static_cast<std::size_t>(l.alpha), l.bits));
                    if (sixteen)
                        c[k] = pictrans::to8(c[k]);
                }
                d[3 * x] = static_cast<std::uint8_t>(c[2]);
                d[3 * x + 1] = static_cast<std::uint8_t>(c[1]);
                d[3 * x + 2] = static_cast<std::uint8_t>(c[0]);
            }
            if (y % 64 == 63)
                DoStatusMsg(height, static_cast<long>(y) + 1, kReading);
        };
        if (const std::string why = readScanlines(t.get(), l, put); !why.empty())
            return failed(why);
        sourceBits_ = l.bits;
        if (l.photometric == PHOTOMETRIC_PALETTE) {
            std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
            if (!lib().GetField(t.get(), TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
                return failed("the palette is missing");
            const std::size_t n = std::size_t{1} << l.bits;
            // Old writers put 8-bit values in the 16-bit colour map.
            const bool eightBit = std::all_of(r, r + n, [](auto v) { return v < 256; }) &&
                                  std::all_of(g, g + n, [](auto v) { return v < 256; }) &&
                                  std::all_of(b, b + n, [](auto v) { return v < 256; });
            const int shift = eightBit ? 0 : 8;
            for (std::size_t i = 0; i < n; ++i)
                colours.push_back({static_cast<std::uint8_t>(r[i] >> shift), static_cast<std::uint8_t>(g[i] >> shift),
                                   static_cast<std::uint8_t>(b[i] >> shift), platform::PC_NOCOLLAPSE});
        } else if (indexed) {
            // One grey per level; alpha or 16 bits leave 256 greys.
            colours = pictrans::greyPalette(l.bits < 8 && l.alpha < 0 ? top + 1 : 256);
        }
    }
    resultPalette_ = std::make_unique<platform::Palette>(colours);
    resultGrey16_ = std::move(grey16);
    DoStatusMsg(100, 100, "Done");
    return bitmap;
}

int TTiffIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                         const platform::Palette* palette)
{
    if (!bitmap || bm.bmWidth != bitmap->width() || bm.bmHeight != bitmap->height())
        return ErrorMsg(kNoDevice);
    return pictrans::writeThroughTemporary(*this, fileName,
                                           [&](OutStream& out) { return WriteStream(out, *bitmap, palette); });
}

int TTiffIntf::WriteStream(OutStream& out, const platform::Bitmap& bitmap, const platform::Palette* palette)
{
    const int depth = bitmap.bitsPerPixel();
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        return ErrorMsg(kBits);
    const pictrans::PictureRows rows(bitmap, palette);
    pictrans::tiff::Client client;
    pictrans::tiff::Handle t = pictrans::tiff::open(client, "w");
    if (!t)
        return ErrorMsg(platform::format(kWriteError, client.error.c_str()));
    const auto w = static_cast<std::uint32_t>(rows.width()), h = static_cast<std::uint32_t>(rows.height());
    const platform::Grey16Image* g16 = Grey16For(bitmap);
    const bool indexed = rows.indexed() && !g16;
    const auto bits = static_cast<std::uint16_t>(g16 ? 16 : indexed ? depth : 8);
    const std::uint16_t spp = indexed || g16 ? 1 : 3;
    const std::size_t lineBytes = (std::size_t{w} * spp * bits + 7) / 8;
    lib().SetField(t.get(), TIFFTAG_IMAGEWIDTH, w);
    lib().SetField(t.get(), TIFFTAG_IMAGELENGTH, h);
    lib().SetField(t.get(), TIFFTAG_BITSPERSAMPLE, bits);
    lib().SetField(t.get(), TIFFTAG_SAMPLESPERPIXEL, spp);
    lib().SetField(t.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    lib().SetField(t.get(), TIFFTAG_PHOTOMETRIC,
                   g16 ? PHOTOMETRIC_MINISBLACK : indexed ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB);
    lib().SetField(t.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    // Strips of about 64 KiB.
    lib().SetField(t.get(), TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(std::max<std::size_t>(1, 65536 / std::max<std::size_t>(lineBytes, 1))));
    std::vector<std::uint16_t> map[3];
    if (indexed) {
        for (auto& m : map)
            m.resize(std::size_t{1} << depth);
        for (std::size_t i = 0; i < map[0].size(); ++i) {
            const auto& c = rows.colours()[i];
            map[0][i] = static_cast<std::uint16_t>(c.peRed * 257);
            map[1][i] = static_cast<std::uint16_t>(c.peGreen * 257);
            map[2][i] = static_cast<std::uint16_t>(c.peBlue * 257);
        }
        lib().SetField(t.get(), TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    std::vector<std::uint8_t> line(std::max<std::size_t>(lineBytes, std::size_t{w} * 3));
    DoStatusMsg(0, 0, kWriting);
    for (std::uint32_t y = 0; y < h && !Stopped(); ++y) {
        if (g16) // samples in the host's order, as libtiff takes them
            std::memcpy(line.data(), g16->samples.data() + std::size_t{y} * w, lineBytes);
        else if (indexed) // a DIB row holds the indices packed as TIFF packs them
            std::memcpy(line.data(), bitmap.rowFromTop(static_cast<int>(y)), lineBytes);
        else
            rows.rgb(static_cast<int>(y), line.data());
        if (lib().WriteScanline(t.get(), line.data(), y, 0) < 0)
            return ErrorMsg(platform::format(kWriteError, client.error.empty() ? "a row cannot be written" : client.error.c_str()));
        if (y % 64 == 63)
            DoStatusMsg(static_cast<long>(h), static_cast<long>(y) + 1, kWriting);
    }
    if (Stopped())
        return 0;
    if (!lib().WriteDirectory(t.get()))
        return ErrorMsg(platform::format(kWriteError, client.error.empty() ? "the directory cannot be written" : client.error.c_str()));
    t.reset(); // flushes into client.out
    if (!out.write(client.out.data(), client.out.size()))
        return ErrorMsg(platform::format(kWriteError, "the file could not be written"));
    return 1;
}
