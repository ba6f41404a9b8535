#include "pictrans/TJpgIntf.h"

#include "platform/FileIO.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
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
};

// Returns true on success; on a libjpeg error fills message.
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

std::unique_ptr<platform::Bitmap> TJpgIntf::ReadFile(const std::string&)
{
    return nullptr;
}

int TJpgIntf::WriteFile(const std::string& fileName, const platform::BITMAP& bm, const platform::Bitmap* bitmap,
                        const platform::Palette* palette)
{
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
    if (!ok)
        return ErrorMsg(message); // the temporary goes; an existing file stays
    if (!file.commit())
        return ErrorMsg(platform::format("Unable to open file: %s.", fileName.c_str()));
    DoStatusMsg(100, 100, "Done");
    return 1;
}
