#include "pictrans/PcxHeader.h"

#include <cstring>

namespace {

std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void putLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

const char* versionText(int version)
{
    switch (version) {
    case 0:
        return "version 2.5\n";
    case 2:
        return "version 2.8 with palette\n";
    case 3:
        return "version 2.8 without palette\n";
    case 5:
        return "version 3.0 or later\n";
    default:
        return "unknown version\n";
    }
}

const char* paletteTypeText(int type)
{
    switch (type) {
    case 1:
        return "color image\n";
    case 2:
        return "grayscale image\n";
    default:
        return "unknown image type\n";
    }
}

} // namespace

void PCXHEADER::store(std::uint8_t* out) const
{
    out[0] = format;
    out[1] = version;
    out[2] = rleflag;
    out[3] = bitpx;
    putLe16(out + 4, x1);
    putLe16(out + 6, y1);
    putLe16(out + 8, x2);
    putLe16(out + 10, y2);
    putLe16(out + 12, hres);
    putLe16(out + 14, vres);
    std::memcpy(out + 16, palette, sizeof palette);
    out[64] = vmode;
    out[65] = nplanes;
    putLe16(out + 66, bplin);
    putLe16(out + 68, paltype);
    putLe16(out + 70, scrnw);
    putLe16(out + 72, scrnh);
    std::memcpy(out + 74, filler, sizeof filler);
}

void PCXHEADER::load(const std::uint8_t* in)
{
    format = in[0];
    version = in[1];
    rleflag = in[2];
    bitpx = in[3];
    x1 = le16(in + 4);
    y1 = le16(in + 6);
    x2 = le16(in + 8);
    y2 = le16(in + 10);
    hres = le16(in + 12);
    vres = le16(in + 14);
    std::memcpy(palette, in + 16, sizeof palette);
    vmode = in[64];
    nplanes = in[65];
    bplin = le16(in + 66);
    paltype = le16(in + 68);
    scrnw = le16(in + 70);
    scrnh = le16(in + 72);
    std::memcpy(filler, in + 74, sizeof filler);
}

int PCXHEADER::get(InStream& in)
{
    std::uint8_t b[kSize];
    if (in.read(b, kSize) != kSize)
        return -1;
    load(b);
    return 0;
}

int PCXHEADER::put(OutStream& out) const
{
    std::uint8_t b[kSize];
    store(b);
    return out.write(b, kSize) ? 0 : -1;
}

void PCXHEADER::list(std::FILE* out) const
{
    std::fprintf(out, "PCXHEADER::format  = %d\n", format);
    std::fprintf(out, "PCXHEADER::version = %d,%s", version, versionText(version));
    std::fprintf(out, "PCXHEADER::rleflag = %d\n", rleflag);
    std::fprintf(out, "PCXHEADER::bitpx   = %d\n", bitpx);
    std::fprintf(out, "PCXHEADER::x1      = %d\n", x1);
    std::fprintf(out, "PCXHEADER::y1      = %d\n", y1);
    std::fprintf(out, "PCXHEADER::x2      = %d\n", x2);
    std::fprintf(out, "PCXHEADER::y2      = %d\n", y2);
    std::fprintf(out, "PCXHEADER::hres    = %d\n", hres);
    std::fprintf(out, "PCXHEADER::vres    = %d\n", vres);
    for (int i = 0; i < 16; ++i) {
        std::fprintf(out, "PCXHEADER::palette[%2d] = %3d %3d %3d\n", i, palette[3 * i], palette[3 * i + 1],
                     palette[3 * i + 2]);
    }
    std::fprintf(out, "PCXHEADER::vmode   = %d\n", vmode);
    std::fprintf(out, "PCXHEADER::nplanes = %d\n", nplanes);
    std::fprintf(out, "PCXHEADER::bplin   = %d\n", bplin);
    std::fprintf(out, "PCXHEADER::paltype = %d,%s", paltype, paletteTypeText(paltype));
    std::fprintf(out, "PCXHEADER::scrnw   = %d\n", scrnw);
    std::fprintf(out, "PCXHEADER::scrnh   = %d\n", scrnh);
}
