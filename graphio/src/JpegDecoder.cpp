#include "pictrans/JpegDecoder.h"

#include "platform/ByteReader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace pictrans::jpeg {
namespace {

// Decoding memory beyond which libjpeg refuses a file (it would need a
// backing store, which it does not have): a progressive picture keeps all
// its coefficients, two bytes a sample.
constexpr long kMaxDecoderMemory = 1L << 30;
// Scans of a progressive file beyond this count are refused: each one passes
// over every coefficient, so a small file of many scans would take minutes.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void fail(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void onError(j_common_ptr cinfo)
{
    fail(cinfo);
}

// Warnings are not printed. Those that mean the data cannot fill the
// picture (the file or a scan ends early) refuse the file; the rest (stray
// bytes between markers and the like) are let pass, as other decoders do.
extern "C" void onMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        const int code = cinfo->err->msg_code;
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)
            fail(cinfo);
    }
}

extern "C" void onProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

std::uint16_t get16(const std::uint8_t* p, bool big)
{
    return static_cast<std::uint16_t>(big ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p, bool big)
{
    return big ? (std::uint32_t{get16(p, true)} << 16) | get16(p + 2, true)
               : get16(p, false) | (std::uint32_t{get16(p + 2, false)} << 16);
}

// The orientation tag of IFD0 in an EXIF block (the bytes after "Exif\0\0").
int orientationOf(std::span<const std::uint8_t> tiff)
{
    if (tiff.size() < 8)
        return 1;
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!big && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    if (get16(tiff.data() + 2, big) != 42)
        return 1;
    platform::ByteReader r(tiff);
    if (!r.seek(get32(tiff.data() + 4, big)))
        return 1;
    const auto countBytes = r.view(2);
    if (countBytes.empty())
        return 1;
    const unsigned count = get16(countBytes.data(), big);
    for (unsigned i = 0; i < count; ++i) {
        const auto e = r.view(12);
        if (e.empty())
            return 1;
        constexpr std::uint16_t kOrientation = 0x0112, kShort = 3;
        if (get16(e.data(), big) == kOrientation && get16(e.data() + 2, big) == kShort) {
            const int v = get16(e.data() + 8, big);
            return v >= 1 && v <= 8 ? v : 1;
        }
    }
    return 1;
}

} // namespace

int exifOrientation(std::span<const std::uint8_t> file)
{
    platform::ByteReader r(file);
    if (r.u8() != 0xFF || r.u8() != 0xD8)
        return 1;
    while (r.ok() && !r.atEnd()) {
        if (r.u8() != 0xFF)
            return 1;
        std::uint8_t marker = r.u8();
        while (marker == 0xFF && r.ok())
            marker = r.u8();
        if (marker == 0xDA || marker == 0xD9 || !r.ok())
            return 1; // the first scan or the end: no orientation before it
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        const auto lengthBytes = r.view(2);
        if (lengthBytes.empty())
            return 1;
        const std::size_t length = get16(lengthBytes.data(), true);
        if (length < 2)
            return 1;
        const auto body = r.view(length - 2);
        if (body.empty() && length > 2)
            return 1;
        static constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && body.size() > sizeof kExif && std::memcmp(body.data(), kExif, sizeof kExif) == 0)
            return orientationOf(body.subspan(sizeof kExif));
    }
    return 1;
}

// Only plain data lives in this frame across the setjmp; the jump comes back
// here from libjpeg's frames and the callbacks have returned by then.
Result decode(std::span<const std::uint8_t> file, const Sink& sink, char (&message)[kMessageSize])
{
    jpeg_decompress_struct cinfo;
    ErrorManager jerr;
    jpeg_progress_mgr progress;
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&progress, 0, sizeof progress);
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = onError;
    jerr.pub.emit_message = onMessage;
    jerr.message[0] = '\0';
    message[0] = '\0';
    if (setjmp(jerr.jump)) {
        std::snprintf(message, kMessageSize, "%s", jerr.message);
        jpeg_destroy_decompress(&cinfo);
        return Result::Failed;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    progress.progress_monitor = onProgress;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);

    Header header;
    header.width = static_cast<int>(cinfo.image_width);
    header.height = static_cast<int>(cinfo.image_height);
    header.sourceComponents = cinfo.num_components;
    header.arithmetic = cinfo.arith_code != 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        header.blocks += std::uint64_t{cinfo.comp_info[c].width_in_blocks} * cinfo.comp_info[c].height_in_blocks;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        header.components = 1;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        header.components = 4;
        header.adobeInverted = cinfo.saw_Adobe_marker != 0;
        break;
    default:
        cinfo.out_color_space = JCS_RGB;
        header.components = 3;
        break;
    }
    if (!sink.start(sink.user, header)) {
        jpeg_destroy_decompress(&cinfo);
        return Result::Refused;
    }
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 cinfo.output_width * static_cast<JDIMENSION>(cinfo.output_components), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (jpeg_read_scanlines(&cinfo, line, 1) != 1)
            break;
        sink.row(sink.user, y, line[0]);
    }
    // Not finished: what follows the last row (up to the end marker, which
    // some writers leave out) changes no pixel.
    const bool complete = cinfo.output_scanline == cinfo.output_height;
    jpeg_destroy_decompress(&cinfo);
    if (!complete)
        std::snprintf(message, kMessageSize, "%s", "the picture ends early");
    return complete ? Result::Done : Result::Failed;
}

} // namespace pictrans::jpeg
