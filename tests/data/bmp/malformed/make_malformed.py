#!/usr/bin/env python3
"""Writes the known-bad BMP files of this folder and expected.tsv, the
message the reader must refuse each with. Run it from anywhere."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width=4, height=2, bpp=8, compression=0, colors_used=0, header_size=40,
        entries=None, offset=None, pixels=b"", file_type=b"BM"):
    if entries is None:
        entries = colors_used or (1 << bpp if bpp <= 8 else 0)
    table = b"".join(bytes((i & 255, i & 255, i & 255, 0)) for i in range(entries))
    if offset is None:
        offset = 14 + header_size + len(table)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bpp, compression,
                       len(pixels), 2835, 2835, colors_used, 0)
    info = info[:header_size].ljust(header_size, b"\0")
    body = info + table
    gap = max(0, offset - 14 - len(body))
    data = body + b"\0" * gap + pixels
    return file_type + struct.pack("<IHHI", 14 + len(data), 0, 0, offset) + data


CASES = {
    # name: (bytes, message)
    "truncated-file-header.bmp": (b"BM\x10\x00\x00", "Error reading BMP file"),
    "truncated-info-header.bmp": (bmp()[:30], "Error reading Bitmap Info Header."),
    "header-size-66.bmp": (bmp(header_size=66, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "header-size-8.bmp": (bmp(pixels=bytes(8))[:14] + struct.pack("<I", 8) + bytes(100),
                          "Format error or file is not a BMP file"),
    "os2-huffman.bmp": (bmp(header_size=64, bpp=1, compression=3, pixels=bytes(8)),
                        "Only Windows Compatible Bitmaps are supported."),
    "width-zero.bmp": (bmp(width=0, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "width-negative.bmp": (bmp(width=-5, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "height-min-int.bmp": (bmp(height=-2**31, pixels=bytes(8)), "Insufficient memory to write image"),
    "bits-30000.bmp": (bmp(bpp=30000, entries=0, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "bits-2.bmp": (bmp(bpp=2, pixels=bytes(8)),
                   "Only bitmaps of 1, 4, 8, 16, 24 or 32 bits per pixel are supported."),
    "bits-64.bmp": (bmp(bpp=64, pixels=bytes(64)),
                    "Only bitmaps of 1, 4, 8, 16, 24 or 32 bits per pixel are supported."),
    # Green mask 0: the masks follow the 40-byte header.
    "bitfields-empty-mask.bmp": (bmp(bpp=16, compression=3, entries=0, offset=66, pixels=b"")[:54]
                                 + struct.pack("<III", 0xF800, 0, 0x1F) + bytes(16),
                                 "Format error or file is not a BMP file"),
    "bitfields-split-mask.bmp": (bmp(bpp=32, compression=3, entries=0, offset=66,
                                     pixels=bytes(32))[:54] + struct.pack("<III", 0xF0F000, 0xFF00, 0xFF)
                                 + bytes(32), "Format error or file is not a BMP file"),
    "bitfields-missing-masks.bmp": (bmp(bpp=32, compression=3, entries=0, pixels=b"")[:58],
                                    "Error reading Bitmap Info Header."),
    "alpha-bitfields.bmp": (bmp(bpp=32, compression=6, entries=0, pixels=bytes(32)),
                            "Format error or file is not a BMP file"),
    "bitfields-8bit.bmp": (bmp(compression=3, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "huge-dimensions.bmp": (bmp(width=3000000, height=2000000, pixels=bytes(8)),
                            "Insufficient memory to write image"),
    "larger-than-file.bmp": (bmp(width=4000, height=4000, pixels=bytes(1000)), "Error reading BMP file"),
    "pixel-offset-past-end.bmp": (bmp(offset=100000, pixels=b""), "Error reading BMP file"),
    "pixel-offset-in-header.bmp": (bmp(offset=20, pixels=bytes(8)), "Format error or file is not a BMP file"),
    "palette-truncated.bmp": (bmp(pixels=b"")[:14 + 40 + 4 * 100 + 3], "Error reading RGB QUAD"),
    "palette-then-nothing.bmp": (bmp(pixels=b""), "Error reading RGB color table"),
    "rle8-topdown.bmp": (bmp(height=-2, compression=1, pixels=bytes((4, 1, 0, 0, 4, 1, 0, 1))),
                         "Format error or file is not a BMP file"),
    "rle8-rows-past-end.bmp": (bmp(compression=1, pixels=bytes((4, 1, 0, 0) * 40 + (0, 1))),
                               "Format error or file is not a BMP file"),
    "rle8-delta-outside.bmp": (bmp(compression=1, pixels=bytes((0, 2, 200, 0, 4, 1, 0, 1))),
                               "Format error or file is not a BMP file"),
    "rle8-delta-below.bmp": (bmp(compression=1, pixels=bytes((0, 2, 0, 9, 4, 1, 0, 1))),
                             "Format error or file is not a BMP file"),
    "rle4-rows-past-end.bmp": (bmp(bpp=4, compression=2, pixels=bytes((4, 0x12, 0, 0) * 40)),
                               "Format error or file is not a BMP file"),
    "rle8-cut-short.bmp": (bmp(height=20, compression=1, pixels=bytes((4, 1, 0, 0, 0, 10, 1, 2))),
                           "Error reading BMP file"),
    "rle8-claims-too-much.bmp": (bmp(width=20000, height=10000, compression=1, pixels=bytes((0, 1))),
                                 "Error reading BMP file"),
    "rle-at-wrong-depth.bmp": (bmp(bpp=1, compression=1, pixels=bytes(8)), "Format error or file is not a BMP file"),
}

for name in list(os.listdir(HERE)):
    if name.endswith(".bmp"):
        os.remove(os.path.join(HERE, name))
with open(os.path.join(HERE, "expected.tsv"), "w") as listing:
    listing.write("# file\tmessage the reader refuses it with (caption \"BMP Error\")\n")
    for name, (data, message) in sorted(CASES.items()):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        listing.write(f"{name}\t{message}\n")
