#include "pictrans/GifRecords.h"

#include <cstring>

namespace {

// Block bytes are assembled in a small buffer so that a short read is seen
// once for the whole block, and fields are taken from it little-endian.
std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void putLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

int readAll(InStream& in, std::uint8_t* buf, std::size_t n)
{
    return in.read(buf, n) == n ? 0 : -1;
}

int writeAll(OutStream& out, const std::uint8_t* buf, std::size_t n)
{
    return out.write(buf, n) ? 0 : -1;
}

char yesNo(bool b)
{
    return b ? 'Y' : 'N';
}

} // namespace

int GIFHEADER::get(InStream& in)
{
    std::uint8_t b[6];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    std::memcpy(sig, b, 3);
    std::memcpy(ver, b + 3, 3);
    return 0;
}

int GIFHEADER::put(OutStream& out) const
{
    std::uint8_t b[6];
    std::memcpy(b, sig, 3);
    std::memcpy(b + 3, ver, 3);
    return writeAll(out, b, sizeof b);
}

int GIFHEADER::isvalid() const
{
    if (std::memcmp(sig, "GIF", 3) != 0)
        return 0;
    return (std::memcmp(ver, "87a", 3) == 0 || std::memcmp(ver, "89a", 3) == 0) ? 1 : 0;
}

void GIFHEADER::list(std::FILE* out) const
{
    std::fprintf(out, "GIFHEADER::sig = %c%c%c\n", sig[0], sig[1], sig[2]);
    std::fprintf(out, "GIFHEADER::ver = %c%c%c\n", ver[0], ver[1], ver[2]);
}

int GIFSCDESC::get(InStream& in)
{
    std::uint8_t b[7];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    scwidth = le16(b);
    scheight = le16(b + 2);
    flags = b[4];
    bgclr = b[5];
    pixasp = b[6];
    return 0;
}

int GIFSCDESC::put(OutStream& out) const
{
    std::uint8_t b[7];
    putLe16(b, scwidth);
    putLe16(b + 2, scheight);
    b[4] = flags;
    b[5] = bgclr;
    b[6] = pixasp;
    return writeAll(out, b, sizeof b);
}

void GIFSCDESC::list(std::FILE* out) const
{
    std::fprintf(out, "GIFSCDESC::scwidth  = %d\n", scwidth);
    std::fprintf(out, "GIFSCDESC::scheight = %d\n", scheight);
    std::fprintf(out, "GIFSCDESC::flags    = %02Xh\n", flags);
    std::fprintf(out, "           gct?     = %c\n", yesNo(flags & 0x80));
    std::fprintf(out, "           depth    = %d\n", ((flags >> 4) & 0x07) + 1);
    std::fprintf(out, "           sorted?  = %c\n", yesNo(flags & 0x08));
    std::fprintf(out, "           ncolors  = %d\n", tableSize());
    std::fprintf(out, "GIFSCDESC::bgclr    = %d\n", bgclr);
    std::fprintf(out, "GIFSCDESC::pixasp   = %d\n", pixasp);
}

int GIFIMDESC::get(InStream& in)
{
    std::uint8_t b[9];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    xleft = le16(b);
    ytop = le16(b + 2);
    imwidth = le16(b + 4);
    imheight = le16(b + 6);
    flags = b[8];
    return 0;
}

int GIFIMDESC::put(OutStream& out) const
{
    std::uint8_t b[10];
    b[0] = id;
    putLe16(b + 1, xleft);
    putLe16(b + 3, ytop);
    putLe16(b + 5, imwidth);
    putLe16(b + 7, imheight);
    b[9] = flags;
    return writeAll(out, b, sizeof b);
}

void GIFIMDESC::list(std::FILE* out) const
{
    std::fprintf(out, "GIFIMDESC::id       = %02Xh\n", id);
    std::fprintf(out, "GIFIMDESC::xleft    = %d\n", xleft);
    std::fprintf(out, "GIFIMDESC::ytop     = %d\n", ytop);
    std::fprintf(out, "GIFIMDESC::imwidth  = %d\n", imwidth);
    std::fprintf(out, "GIFIMDESC::imheight = %d\n", imheight);
    std::fprintf(out, "GIFIMDESC::flags    = %02Xh\n", flags);
    std::fprintf(out, "           lct?     = %c\n", yesNo(flags & 0x80));
    std::fprintf(out, "           interlaced? = %c\n", yesNo(flags & 0x40));
    std::fprintf(out, "           sorted?  = %c\n", yesNo(flags & 0x20));
    std::fprintf(out, "           ncolors  = %d\n", tableSize());
}

int GIFCTLEXT::get(InStream& in)
{
    std::uint8_t b[5];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    size = b[0];
    flags = b[1];
    delay = le16(b + 2);
    trclr = b[4];
    return 0;
}

int GIFCTLEXT::put(OutStream& out) const
{
    std::uint8_t b[7] = {id, label, size, flags, 0, 0, trclr};
    putLe16(b + 4, delay);
    return writeAll(out, b, sizeof b);
}

void GIFCTLEXT::list(std::FILE* out) const
{
    std::fprintf(out, "GIFCTLEXT::id       = %02Xh\n", id);
    std::fprintf(out, "GIFCTLEXT::label    = %02Xh\n", label);
    std::fprintf(out, "GIFCTLEXT::size     = %d\n", size);
    std::fprintf(out, "GIFCTLEXT::flags    = %02Xh\n", flags);
    std::fprintf(out, "GIFCTLEXT::delay    = %d\n", delay);
    std::fprintf(out, "GIFCTLEXT::trclr    = %d\n", trclr);
}

int GIFCOMEXT::get(InStream&)
{
    return 0;
}

int GIFCOMEXT::put(OutStream& out) const
{
    std::uint8_t b[2] = {id, label};
    return writeAll(out, b, sizeof b);
}

void GIFCOMEXT::list(std::FILE* out) const
{
    std::fprintf(out, "GIFCOMEXT::id       = %02Xh\n", id);
    std::fprintf(out, "GIFCOMEXT::label    = %02Xh\n", label);
}

int GIFTXTEXT::get(InStream& in)
{
    std::uint8_t b[13];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    size = b[0];
    xleft = le16(b + 1);
    ytop = le16(b + 3);
    txwidth = le16(b + 5);
    txheight = le16(b + 7);
    cewidth = b[9];
    ceheight = b[10];
    fgclr = b[11];
    bgclr = b[12];
    return 0;
}

int GIFTXTEXT::put(OutStream& out) const
{
    std::uint8_t b[15];
    b[0] = id;
    b[1] = label;
    b[2] = size;
    putLe16(b + 3, xleft);
    putLe16(b + 5, ytop);
    putLe16(b + 7, txwidth);
    putLe16(b + 9, txheight);
    b[11] = cewidth;
    b[12] = ceheight;
    b[13] = fgclr;
    b[14] = bgclr;
    return writeAll(out, b, sizeof b);
}

void GIFTXTEXT::list(std::FILE* out) const
{
    std::fprintf(out, "GIFTXTEXT::id       = %02Xh\n", id);
    std::fprintf(out, "GIFTXTEXT::label    = %02Xh\n", label);
    std::fprintf(out, "GIFTXTEXT::size     = %d\n", size);
    std::fprintf(out, "GIFTXTEXT::xleft    = %d\n", xleft);
    std::fprintf(out, "GIFTXTEXT::ytop     = %d\n", ytop);
    std::fprintf(out, "GIFTXTEXT::txwidth  = %d\n", txwidth);
    std::fprintf(out, "GIFTXTEXT::txheight = %d\n", txheight);
    std::fprintf(out, "GIFTXTEXT::cewidth  = %d\n", cewidth);
    std::fprintf(out, "GIFTXTEXT::ceheight = %d\n", ceheight);
    std::fprintf(out, "GIFTXTEXT::fgclr    = %d\n", fgclr);
    std::fprintf(out, "GIFTXTEXT::bgclr    = %d\n", bgclr);
}

int GIFAPPEXT::get(InStream& in)
{
    std::uint8_t b[12];
    if (readAll(in, b, sizeof b) != 0)
        return -1;
    size = b[0];
    std::memcpy(apname, b + 1, 8);
    std::memcpy(apcode, b + 9, 3);
    return 0;
}

int GIFAPPEXT::put(OutStream& out) const
{
    std::uint8_t b[14];
    b[0] = id;
    b[1] = label;
    b[2] = size;
    std::memcpy(b + 3, apname, 8);
    std::memcpy(b + 11, apcode, 3);
    return writeAll(out, b, sizeof b);
}

void GIFAPPEXT::list(std::FILE* out) const
{
    std::fprintf(out, "GIFAPPEXT::id       = %02Xh\n", id);
    std::fprintf(out, "GIFAPPEXT::label    = %02Xh\n", label);
    std::fprintf(out, "GIFAPPEXT::size     = %d\n", size);
    std::fprintf(out, "GIFAPPEXT::apname   = %.8s\n", apname);
    std::fprintf(out, "GIFAPPEXT::apcode   = %d.%d.%d\n", apcode[0], apcode[1], apcode[2]);
}

char* BitString(char* out, unsigned value, int width)
{
    if (width < 0)
        width = 0;
    if (width > 32)
        width = 32;
    for (int i = 0; i < width; ++i)
        out[i] = ((value >> (width - 1 - i)) & 1u) ? '1' : '0';
    out[width] = '\0';
    return out;
}
