#!/usr/bin/env python3
"""Writes the PNG test files: good/ holds one small picture of every colour
type and bit depth, plain and interlaced, with rows of every filter type and
beside each the RGB a reader must show (NAME.rgb: rows from the top, red,
green, blue, transparency dropped onto black); malformed/ holds hostile files,
each broken in one way that a reader must refuse with a message.
Run it to remake them: python3 make_pngs.py"""
import os
import struct
import zlib

BASE = os.path.dirname(os.path.abspath(__file__))
HERE = os.path.join(BASE, "malformed")
GOOD_DIR = os.path.join(BASE, "good")
SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data, crc=None):
    if crc is None:
        crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def ihdr(width, height, depth=8, colour=2, compression=0, filt=0, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, compression, filt, interlace))


def rgb_rows(width, height, filter_byte=0):
    rows = b""
    for y in range(height):
        rows += bytes([filter_byte]) + bytes((x * 7 + y * 3) & 0xFF for x in range(width * 3))
    return rows


def idat(raw):
    return chunk(b"IDAT", zlib.compress(raw))


IEND = chunk(b"IEND", b"")
GOOD = SIGNATURE + ihdr(32, 32) + idat(rgb_rows(32, 32)) + IEND


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def sample(x, y, c, depth):
    top = (1 << depth) - 1
    if depth == 16:
        return (x * 9973 + y * 40503 + c * 17389 + x * y * 311) & 0xFFFF
    return (x * 37 + y * 101 + c * 53 + x * y) % (top + 1)


def pack_row(values, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in values)
    if depth == 8:
        return bytes(values)
    out = bytearray((len(values) * depth + 7) // 8)
    for i, v in enumerate(values):
        bit = i * depth
        out[bit // 8] |= v << (8 - depth - bit % 8)
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(rows, bpp):
    """Each row with its filter type byte; the type cycles through all five."""
    out = b""
    prev = bytes(len(rows[0])) if rows else b""
    for n, row in enumerate(rows):
        kind = n % 5
        line = bytearray()
        for i, value in enumerate(row):
            a = row[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            line.append((value - pred) & 0xFF)
        out += bytes([kind]) + bytes(line)
        prev = row
    return out


def make_good(colour, depth, interlaced, width=13, height=11):
    channels = CHANNELS[colour]
    bpp = max(1, channels * depth // 8)
    pixels = [[[sample(x, y, c, depth) for c in range(channels)] for x in range(width)] for y in range(height)]
    palette = [((i * 67) & 0xFF, (i * 131 + 40) & 0xFF, (255 - i * 29) & 0xFF) for i in range(1 << min(depth, 8))]
    trns = None
    if colour == 3:
        trns = bytes((i * 53) & 0xFF for i in range(min(len(palette), 7)))
    raw = b""
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        rows = []
        for y in range(y0, height, dy):
            values = [v for x in range(x0, width, dx) for v in pixels[y][x]]
            if values:
                rows.append(pack_row(values, depth))
        if rows and rows[0]:
            raw += filter_rows(rows, bpp)
    data = SIGNATURE + ihdr(width, height, depth, colour, interlace=1 if interlaced else 0)
    if colour == 3:
        data += chunk(b"PLTE", b"".join(bytes(p) for p in palette)) + chunk(b"tRNS", trns)
    data += chunk(b"IDAT", zlib.compress(raw)) + IEND

    top = (1 << depth) - 1
    def over(c, a, m):
        return (c * a * 2 + m) // (2 * m)
    def eight(v):
        return (v * 2 + 257) // 514
    rgb = bytearray()
    for y in range(height):
        for x in range(width):
            p = pixels[y][x]
            if colour == 0:
                g = eight(p[0]) if depth == 16 else p[0] * 255 // top
                rgb += bytes([g, g, g])
            elif colour == 3:
                a = trns[p[0]] if p[0] < len(trns) else 255
                rgb += bytes(over(c, a, 255) for c in palette[p[0]])
            elif colour == 4:
                g = over(p[0], p[1], top)
                g = eight(g) if depth == 16 else g
                rgb += bytes([g, g, g])
            elif colour == 2:
                rgb += bytes(eight(c) if depth == 16 else c for c in p)
            else:
                rgb += bytes(eight(over(c, p[3], top)) if depth == 16 else over(c, p[3], top) for c in p[:3])
    name = "type%d-%dbit%s" % (colour, depth, "-interlaced" if interlaced else "")
    with open(os.path.join(GOOD_DIR, name + ".png"), "wb") as f:
        f.write(data)
    with open(os.path.join(GOOD_DIR, name + ".rgb"), "wb") as f:
        f.write(bytes(rgb))


KINDS = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16), (3, 1), (3, 2), (3, 4), (3, 8),
         (4, 8), (4, 16), (6, 8), (6, 16)]


def main():
    os.makedirs(HERE, exist_ok=True)
    os.makedirs(GOOD_DIR, exist_ok=True)
    for colour, depth in KINDS:
        for interlaced in (False, True):
            make_good(colour, depth, interlaced)
    idat_start = GOOD.index(b"IDAT") - 4
    write("truncated-in-idat.png", GOOD[: idat_start + 40])
    write("truncated-in-ihdr.png", GOOD[:20])
    write("truncated-before-iend.png", GOOD[: len(GOOD) - len(IEND)])
    write("signature-only.png", SIGNATURE)
    write("bad-ihdr-crc.png", SIGNATURE + ihdr(32, 32)[:-1] + b"\x00" + idat(rgb_rows(32, 32)) + IEND)
    good_idat = idat(rgb_rows(32, 32))
    write("bad-idat-crc.png", SIGNATURE + ihdr(32, 32) + good_idat[:-4] + b"\xde\xad\xbe\xef" + IEND)
    write("huge-dimensions.png", SIGNATURE + ihdr(100000, 100000) + idat(rgb_rows(4, 4)) + IEND)
    write("over-max-pixels.png", SIGNATURE + ihdr(16385, 16384, 8, 0) + idat(b"\x00" * 1000) + IEND)
    write("zero-width.png", SIGNATURE + ihdr(0, 32) + idat(b"") + IEND)
    write("zero-height.png", SIGNATURE + ihdr(32, 0) + idat(b"") + IEND)
    write("bad-bit-depth.png", SIGNATURE + ihdr(32, 32, 3, 0) + idat(b"\x00" * 400) + IEND)
    write("bad-colour-type.png", SIGNATURE + ihdr(32, 32, 8, 5) + idat(b"\x00" * 4000) + IEND)
    write("palette-16-bits.png", SIGNATURE + ihdr(32, 32, 16, 3) + chunk(b"PLTE", b"\x00" * 6)
          + idat(b"\x00" * 2100) + IEND)
    write("bad-interlace-method.png", SIGNATURE + ihdr(32, 32, interlace=2) + idat(rgb_rows(32, 32)) + IEND)
    write("bad-compression-method.png", SIGNATURE + ihdr(32, 32, compression=1) + idat(rgb_rows(32, 32)) + IEND)
    write("bad-filter-method.png", SIGNATURE + ihdr(32, 32, filt=1) + idat(rgb_rows(32, 32)) + IEND)
    write("ihdr-wrong-length.png", SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBB", 32, 32, 8, 2, 0, 0))
          + idat(rgb_rows(32, 32)) + IEND)
    write("missing-ihdr.png", SIGNATURE + idat(rgb_rows(32, 32)) + IEND)
    write("missing-idat.png", SIGNATURE + ihdr(32, 32) + IEND)
    write("missing-plte.png", SIGNATURE + ihdr(32, 32, 8, 3) + idat(b"\x00" * (33 * 32)) + IEND)
    write("plte-too-long.png", SIGNATURE + ihdr(32, 32, 8, 3) + chunk(b"PLTE", b"\x10" * 900)
          + idat(b"\x00" * (33 * 32)) + IEND)
    write("chunk-longer-than-file.png", SIGNATURE + ihdr(32, 32) + struct.pack(">I", 0x7FFFFFF0) + b"tEXt"
          + b"comment\x00text" + idat(rgb_rows(32, 32)) + IEND)
    write("chunk-length-over-limit.png", SIGNATURE + ihdr(32, 32) + struct.pack(">I", 0x80000010) + b"IDAT"
          + zlib.compress(rgb_rows(32, 32)) + b"\x00\x00\x00\x00" + IEND)
    write("unknown-critical-chunk.png", SIGNATURE + ihdr(32, 32) + chunk(b"ZZZZ", b"1234")
          + idat(rgb_rows(32, 32)) + IEND)
    write("idat-not-zlib.png", SIGNATURE + ihdr(32, 32) + chunk(b"IDAT", bytes(range(200))) + IEND)
    write("idat-too-short.png", SIGNATURE + ihdr(32, 32) + idat(rgb_rows(32, 20)) + IEND)
    write("bad-filter-type.png", SIGNATURE + ihdr(32, 32) + idat(rgb_rows(32, 32, filter_byte=7)) + IEND)
    write("too-little-data.png", SIGNATURE + ihdr(12000, 12000, 8, 0) + idat(b"\x00" * 12001) + IEND)


if __name__ == "__main__":
    main()
