#include "pictrans/TJpgIntf.h"

#include "pictrans/JpegDecoder.h"
#include "pictrans/PictureBuild.h"
#include "platform/FileIO.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg's own error exit ends the process; a library must return
// instead, so an error jumps back to the caller with the library's text.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Everything the compressor needs, prepared before it starts, so that no
// object with a destructor lives across the jump.
struct JpegJob {
    std::FILE* file = nullptr;
    const platform::Bitmap* bitmap = nullptr;
    const platform::Palette* palette = nullptr;
    const platform::PALETTEENTRY* entries = nullptr; // 256
    platform::BITMAPINFOHEADER rowInfo;              // one row at 8 bits
    std::uint8_t* indexRow = nullptr;
    TGIntf* progress = nullptr;
    int quality = -1; // libjpeg's default (75)
};

// Returns true on success; on a libjpeg error fills message. False with
// no message when the status window stopped the write.
bool compress(JpegJob& job, char* message)
{
    jpeg_compress_struct cinfo;
    JpegErrorManager jerr;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = jpegErrorExit;
    jerr.message[0] = '\0';
    if (setjmp(jerr.jump)) {
        std::memcpy(message, jerr.message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    const int width = job.bitmap->width();
    const int height = job.bitmap->height();
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    cinfo.data_precision = 8;
    jpeg_set_defaults(&cinfo);
    if (job.quality >= 0)
        jpeg_set_quality(&cinfo, job.quality, TRUE);

    // Row 0 red, row 1 green, row 2 blue of every palette entry.
    JSAMPARRAY lookup = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, 256, 3);
    for (int i = 0; i < 256; ++i) {
        lookup[0][i] = job.entries[i].peRed;
        lookup[1][i] = job.entries[i].peGreen;
        lookup[2][i] = job.entries[i].peBlue;
    }
    JSAMPARRAY scan = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 static_cast<JDIMENSION>(width) * 3, 1);

    jpeg_stdio_dest(&cinfo, job.file);
    jpeg_start_compress(&cinfo, TRUE);
    int lastReport = 0;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = height - static_cast<int>(cinfo.next_scanline) - 1;
        JSAMPROW out = scan[0];
        if (job.bitmap->bitsPerPixel() == 24) {
            // True colour goes out as it is; device rows hold blue, green, red.
            const std::uint8_t* in = job.bitmap->row(y);
            for (int x = 0; x < width; ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        } else {
            job.bitmap->getDIBits(y, 1, job.indexRow, job.rowInfo, job.palette);
            for (int x = 0; x < width; ++x) {
                const std::uint8_t index = job.indexRow[x];
                out[3 * x] = lookup[0][index];
                out[3 * x + 1] = lookup[1][index];
                out[3 * x + 2] = lookup[2][index];
            }
        }
        jpeg_write_scanlines(&cinfo, scan, 1);
        const int written = static_cast<int>(cinfo.next_scanline);
        if (written - lastReport >= 10) {
            job.progress->DoStatusMsg(height, written, "Writing JPEG Image");
            lastReport = written;
            if (job.progress->Stopped()) {
                jpeg_destroy_compress(&cinfo);
                return false;
            }
        }
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

TJpgIntf::TJpgIntf(platform::Window* status, platform::Window* owner) : TGIntf(status, owner)
{
    SetFormatName("JPG");
}

namespace {

constexpr const char* kNotFound = "%s not found";
constexpr const char* kNotJpeg = "File is not a valid JPEG file";
constexpr const char* kReadError = "Error reading JPEG file: %s.";
constexpr const char* kTooLarge = "A picture of %d x %d pixels is too large to be read.";
constexpr const char* kTooLittleData = "Error reading JPEG file: too little image data for %d x %d pixels.";
constexpr const char* kImageMemory = "Insufficient memory to read image";
constexpr const char* kReading = "Reading JPEG Image";

// What the reader builds while libjpeg delivers rows.
struct JpegTarget {
    TJpgIntf* intf = nullptr;
    std::size_t fileSize = 0;
    int orientation = 1;
    std::string refusal;
    std::unique_ptr<platform::Bitmap> bitmap;
    std::optional<pictrans::OrientedRows> placed;
    std::vector<std::uint8_t> pixels; // one stored row in the bitmap's order
    pictrans::jpeg::Header header;
    int rowsDone = 0;
};

bool startPicture(void* user, const pictrans::jpeg::Header& h) noexcept
{
    auto& t = *static_cast<JpegTarget*>(user);
    t.header = h;
    if (static_cast<std::int64_t>(h.width) * h.height > platform::Bitmap::kMaxPixels) {
        t.refusal = platform::format(kTooLarge, h.width, h.height);
        return false;
    }
    // Huffman-coded data spends at least one bit on every block (its DC
    // difference), so the file must hold that much before the picture is
    // allocated. Arithmetic coding has no such floor; a short file of it
    // fails when its data runs out.
    if (!h.arithmetic && t.fileSize * 8 < h.blocks) {
        t.refusal = platform::format(kTooLittleData, h.width, h.height);
        return false;
    }
    const pictrans::Orientation o(t.orientation, h.width, h.height);
    try {
        t.bitmap = platform::Bitmap::create(o.width(), o.height(), h.components == 1 ? 8 : 24);
        t.pixels.resize(static_cast<std::size_t>(h.width) * (h.components == 1 ? 1 : 3));
    } catch (const std::bad_alloc&) {
        t.bitmap.reset();
    }
    if (!t.bitmap) {
        t.refusal = kImageMemory;
        return false;
    }
    try {
        t.placed.emplace(*t.bitmap, o, h.components == 1 ? 1 : 3);
    } catch (const std::bad_alloc&) {
        t.refusal = kImageMemory;
        return false;
    }
    t.intf->DoStatusMsg(0, 0, kReading);
    return true;
}

void putRow(void* user, int /*y: the rows come in order*/, const std::uint8_t* s) noexcept
{
    auto& t = *static_cast<JpegTarget*>(user);
    const int w = t.header.width;
    std::uint8_t* p = t.pixels.data();
    switch (t.header.components) {
    case 1:
        std::memcpy(p, s, static_cast<std::size_t>(w));
        break;
    case 3:
        // The bitmap holds blue, green, red.
        for (int x = 0; x < w; ++x, s += 3, p += 3)
            p[0] = s[2], p[1] = s[1], p[2] = s[0];
        break;
    default:
        for (int x = 0; x < w; ++x, s += 4, p += 3) {
            // Ink to light: with Adobe's inversion a stored 255 is no ink.
            const std::uint32_t inv = t.header.adobeInverted ? 0 : 255;
            const std::uint32_t c = s[0] ^ inv, m = s[1] ^ inv, ye = s[2] ^ inv, k = s[3] ^ inv;
            p[0] = pictrans::over8(ye, k);
            p[1] = pictrans::over8(m, k);
            p[2] = pictrans::over8(c, k);
        }
        break;
    }
    t.placed->add(t.pixels.data());
    if (++t.rowsDone % 64 == 0)
        t.intf->DoStatusMsg(t.header.height, t.rowsDone, kReading);
}

} // namespace

std::unique_ptr<platform::Bitmap> TJpgIntf::ReadFile(const std::string& fileName)
{
    SetFormatName("JPEG");
    auto in = InStream::open(fileName);
    if (!in) {
        ErrorMsg(platform::format(kNotFound, fileName.c_str()));
        return nullptr;
    }
    return ReadStream(*in);
}

std::unique_ptr<platform::Bitmap> TJpgIntf::ReadStream(InStream& in)
{
    SetFormatName("JPEG");
    resultGrey16_.reset();
    sourceBits_ = 0;
    const auto file = in.bytes();
    if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8 || file[2] != 0xFF)
        return ErrorMsg(kNotJpeg), nullptr;

    JpegTarget target;
    target.intf = this;
    target.fileSize = file.size();
    target.orientation = pictrans::jpeg::exifOrientation(file);
    pictrans::jpeg::Sink sink;
    sink.user = &target;
    sink.start = startPicture;
    sink.row = putRow;
    char message[pictrans::jpeg::kMessageSize];
    const pictrans::jpeg::Result result = pictrans::jpeg::decode(file, sink, message);
    if (result == pictrans::jpeg::Result::Refused)
        return ErrorMsg(target.refusal), nullptr;
    if (result == pictrans::jpeg::Result::Failed)
        return ErrorMsg(platform::format(kReadError, message)), nullptr;
    target.placed->flush();
    if (target.header.components == 1)
        resultPalette_ = std::make_unique<platform::Palette>(pictrans::greyPalette(256));
    else
        resultPalette_ = std::make_unique<platform::Palette>(std::vector<platform::PALETTEENTRY>{});
    sourceBits_ = 8;
    DoStatusMsg(100, 100, "Done");
    return std::move(target.bitmap);
}

int TJpgIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
    SetFormatName("JPG");
    if (!OverwriteOk(fileName))
        return 0;
    if (!bitmap || bm.bmWidth != bitmap->width() || bm.bmHeight != bitmap->height())
        return ErrorMsg("Could not access Graphics Device.");
    // A true-colour picture needs no palette; an indexed one a full one.
    platform::PALETTEENTRY entries[256] = {};
    if (bitmap->bitsPerPixel() != 24) {
        if (!palette)
            return ErrorMsg("Palette information is missing.");
        if (palette->getEntries(0, 256, entries) < 256)
            return ErrorMsg("Palettes with less than 256 colors are not supported.");
    }

    // Rows are always fetched as one palette index per byte, whatever the
    // picture's own depth.
    JpegJob job;
    job.bitmap = bitmap;
    job.palette = palette;
    job.entries = entries;
    job.rowInfo = MakeInfoHeader(bitmap->width(), 1, 8);
    job.indexRow = AllocImgMem(platform::dibStride(bitmap->width(), 8));
    job.progress = this;
    job.quality = Quality();
    if (!job.indexRow)
        return ErrorMsg("Insufficient memory to write JPEG image.");

    platform::SafeFile file(fileName);
    if (!file.open()) {
        FreeImgMem();
        return ErrorMsg(platform::format("Unable to open file: %s.", fileName.c_str()));
    }
    job.file = file.stream();
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = compress(job, message);
    FreeImgMem();
    if (!ok) // the temporary goes; an existing file stays
        return Stopped() ? 0 : ErrorMsg(message);
    if (!file.commit())
        return ErrorMsg(platform::format("Unable to open file: %s.", fileName.c_str()));
    DoStatusMsg(100, 100, "Done");
    return 1;
}
