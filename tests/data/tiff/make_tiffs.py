#!/usr/bin/python3
"""Writes the TIFF test files. good/ holds pictures made by PIL, ImageMagick
(convert-im6) and netpbm's pamtotiff: grey of 1, 4, 8 and 16 bits (black or
white as zero), palette, RGB of 8 and 16 bits, alpha (unassociated and
premultiplied), every compression (none, PackBits, LZW, Deflate, JPEG),
strips and tiles, separate planes, big- and little-endian, several pages.
Beside each NAME.want.png holds the colours PIL (for 16-bit RGB,
ImageMagick) decodes from it, alpha dropped onto black, (c * a + 127) // 255;
NAME.want16.png holds 16-bit grey samples as PIL reads them.
malformed/ holds damaged files, each refused with the message expected.tsv
gives. Run it to remake them: python3 make_tiffs.py
(needs python3-pil, imagemagick, netpbm)."""
import os
import struct
import subprocess

from PIL import Image

BASE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(BASE, "good")
BAD = os.path.join(BASE, "malformed")
MAGICK = "/usr/bin/convert-im6.q16"
W, H = 37, 21


def path(name):
    return os.path.join(GOOD, name)


def rgba_picture():
    im = Image.new("RGBA", (W, H))
    im.putdata([((x * 7) & 255, (y * 12) & 255, ((x * y) * 3) & 255, min(255, 40 + x * 6))
                for y in range(H) for x in range(W)])
    return im


def flat(im):
    """RGB with alpha dropped onto black."""
    rgba = im.convert("RGBA")
    out = Image.new("RGB", rgba.size)
    out.putdata([tuple((c * p[3] + 127) // 255 for c in p[:3]) for p in rgba.getdata()])
    return out


def want(name, reference=None):
    stem = os.path.splitext(name)[0]
    im = reference if reference is not None else Image.open(path(name))
    if im.mode in ("I;16", "I;16B", "I;16L"):
        im.save(path(stem + ".want16.png"))
        return
    flat(im).save(path(stem + ".want.png"))


def pil(name, im, **options):
    im.save(path(name), "TIFF", **options)
    want(name)


def magick(name, src, *options, reference=None):
    subprocess.run([MAGICK, src, *options, path(name)], check=True)
    want(name, reference)


def good():
    rgba = rgba_picture()
    rgb = rgba.convert("RGB")
    grey = rgb.convert("L")
    for compression in ("raw", "packbits", "tiff_lzw", "tiff_adobe_deflate"):
        pil("grey8-%s.tif" % compression, grey, compression=compression)
    pil("rgb8-lzw.tif", rgb, compression="tiff_lzw")
    pil("rgb8-jpeg.tif", rgb, compression="jpeg", quality=90)
    pil("rgba8-unassociated.tif", rgba, compression="tiff_adobe_deflate")
    pil("grey-alpha8.tif", grey.copy().convert("LA"), compression="tiff_lzw")
    la = grey.convert("LA")
    la.putalpha(rgba.getchannel("A"))
    pil("grey-alpha8-varying.tif", la, compression="packbits")
    pil("bilevel.tif", grey.point(lambda v: 255 if v > 100 else 0).convert("1"), compression="raw")
    pil("palette8.tif", rgb.quantize(colors=200), compression="tiff_lzw")
    g16 = Image.new("I;16", (W, H))
    g16.putdata([(x * 1777 + y * 3011 + x * y * 17) & 0xFFFF for y in range(H) for x in range(W)])
    pil("grey16-deflate.tif", g16, compression="tiff_adobe_deflate")
    pil("grey16-raw.tif", g16)
    # Big-endian 16-bit grey, tiles, separate planes, JPEG of YCbCr: ImageMagick.
    png16 = path("tmp16.png")
    g16.save(png16)
    magick("grey16-bigendian-tiled.tif", png16, "-endian", "MSB", "-define", "tiff:tile-geometry=16x16",
           "-compress", "LZW", reference=g16)
    os.remove(png16)
    src = path("tmp.png")
    rgb.save(src)
    magick("rgb8-tiled-deflate.tif", src, "-define", "tiff:tile-geometry=16x16", "-compress", "Zip")
    magick("rgb8-planes.tif", src, "-interlace", "plane", "-compress", "None")
    magick("rgb8-ycbcr-jpeg.tif", src, "-compress", "JPEG", "-quality", "92")
    magick("rgb16-lzw.tif", src, "-depth", "16", "-compress", "LZW",
           reference=Image.open(src))
    rgba.save(src)
    magick("rgba8-premultiplied.tif", src, "-alpha", "on", "-define", "tiff:alpha=associated",
           "-compress", "None", reference=rgba)
    os.remove(src)
    # netpbm: 4-bit grey and white as zero.
    pgm = path("tmp.pgm")
    subprocess.run("pamdepth 15 > '%s'" % pgm, input=_pgm(grey), shell=True, check=True)
    with open(path("grey4-miniswhite.tif"), "wb") as out:
        subprocess.run(["pamtotiff", "-miniswhite", pgm], stdout=out, stderr=subprocess.DEVNULL, check=True)
    with open(path("grey4.tif"), "wb") as out:
        subprocess.run(["pamtotiff", pgm], stdout=out, stderr=subprocess.DEVNULL, check=True)
    four = Image.open(pgm).convert("L")
    want("grey4-miniswhite.tif", four)
    want("grey4.tif", four)
    os.remove(pgm)
    # Two pages: the first counts.
    rgb.save(path("two-pages.tif"), save_all=True, append_images=[grey.convert("RGB").rotate(180)])
    want("two-pages.tif")


def _pgm(im):
    return b"P5\n%d %d\n255\n" % im.size + im.tobytes()


def bad():
    expected = {}

    def write(name, blob, message):
        with open(os.path.join(BAD, name), "wb") as f:
            f.write(blob)
        expected[name] = message

    data = open(path("grey8-raw.tif"), "rb").read()
    write("header-only.tif", data[:8], "Error reading TIFF file: Can not read TIFF directory count.")
    write("directory-beyond-file.tif", b"II\x2a\x00" + b"\xff\xff\xff\x7f",
          "Error reading TIFF file: Can not read TIFF directory count.")
    write("truncated-strip.tif", data[: len(data) // 3] + data[-300:],
          "Error reading TIFF file: too little image data for 37 x 21 pixels.")

    def ifd(entries, pixels=b""):
        """A little-endian TIFF of one directory of (tag, type, count, value) entries."""
        body = struct.pack("<H", len(entries))
        for tag, typ, count, value in sorted(entries):
            body += struct.pack("<HHII", tag, typ, count, value)
        body += b"\0\0\0\0"
        return b"II*\0" + struct.pack("<I", 8) + body + pixels

    def entries(width, height, bits=8, spp=1, photometric=1, offset=200, count=1, compression=1, extra=()):
        return [(256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, bits), (259, 3, 1, compression),
                (262, 3, 1, photometric), (273, 4, 1, offset), (277, 3, 1, spp), (278, 4, 1, height),
                (279, 4, 1, count)] + list(extra)

    write("huge-claim.tif", ifd(entries(65535, 65535)),
          "A picture of 65535 x 65535 pixels is too large to be read.")
    write("too-little-data.tif", ifd(entries(10000, 10000, count=4)) + b"\0" * 300,
          "Error reading TIFF file: too little image data for 10000 x 10000 pixels.")
    write("zero-width.tif", ifd(entries(0, 5)) + b"\0" * 300, "Error reading TIFF file: Computed scanline size is zero.")
    write("palette-without-map.tif", ifd(entries(4, 4, bits=4, photometric=3, count=8)) + b"\0" * 300,
          "Error reading TIFF file: TIFF directory is missing required \"Colormap\" field.")
    write("unknown-compression.tif", ifd(entries(4, 4, count=16, compression=12345)) + b"\0" * 300,
          "Error reading TIFF file: Compression scheme 12345 strip decoding is not implemented.")
    write("bits-7-rgb.tif", ifd(entries(4, 4, bits=7, spp=3, photometric=2, count=48)) + b"\0" * 300,
          "Error reading TIFF file: Sorry, can not handle images with 7-bit samples.")
    with open(os.path.join(BAD, "expected.tsv"), "w") as f:
        f.write("# File name, a tab, the exact message the reader must refuse it with.\n")
        for name in sorted(expected):
            f.write("%s\t%s\n" % (name, expected[name]))


if __name__ == "__main__":
    os.makedirs(GOOD, exist_ok=True)
    os.makedirs(BAD, exist_ok=True)
    good()
    bad()
