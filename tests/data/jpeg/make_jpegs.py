#!/usr/bin/python3
"""Writes the JPEG test files. good/ holds pictures made by PIL and by
netpbm's pnmtojpeg (baseline at three subsamplings, progressive, grey,
Adobe CMYK, restart markers, arithmetic coding, the eight EXIF orientations)
and beside each NAME.want.png, the RGB PIL decodes from it, turned upright by
its EXIF orientation; a reader must show those colours within 2 per channel.
malformed/ holds damaged files, each refused with the message expected.tsv
gives. Run it to remake them: python3 make_jpegs.py (needs python3-pil, netpbm)."""
import os
import struct
import subprocess

from PIL import Image, ImageOps

BASE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(BASE, "good")
BAD = os.path.join(BASE, "malformed")


def picture(width=37, height=23):
    """Smooth gradients with a few sharp edges, in odd sizes so that partial
    blocks and subsampled edges are exercised."""
    im = Image.new("RGB", (width, height))
    px = im.load()
    for y in range(height):
        for x in range(width):
            r = (x * 255) // (width - 1)
            g = (y * 255) // (height - 1)
            b = 255 - (x + y) * 255 // (width + height - 2)
            if 10 <= x < 16 and 5 <= y < 12:
                r, g, b = 250, 250, 20
            px[x, y] = (r, g, b)
    return im


def want(name):
    im = Image.open(os.path.join(GOOD, name))
    im = ImageOps.exif_transpose(im).convert("RGB")
    im.save(os.path.join(GOOD, os.path.splitext(name)[0] + ".want.png"))


def save(name, im, **options):
    im.save(os.path.join(GOOD, name), "JPEG", **options)
    want(name)


def netpbm(name, im, *args):
    ppm = os.path.join(GOOD, "tmp.ppm")
    im.save(ppm)
    with open(os.path.join(GOOD, name), "wb") as out:
        subprocess.run(["pnmtojpeg", *args, ppm], stdout=out, check=True)
    os.remove(ppm)
    want(name)


def good():
    base = picture()
    save("baseline-444.jpg", base, quality=90, subsampling=0)
    save("baseline-422.jpg", base, quality=90, subsampling=1)
    save("baseline-420.jpg", base, quality=75, subsampling=2)
    save("progressive.jpg", base, quality=85, progressive=True)
    save("grey.jpg", base.convert("L"), quality=90)
    save("grey-progressive.jpg", base.convert("L"), quality=90, progressive=True)
    # PIL writes CMYK with Adobe's inverted samples and an Adobe marker.
    save("cmyk-adobe.jpg", base.convert("CMYK"), quality=95)
    netpbm("restart-markers.jpg", base, "-restart=2", "-quality=90")
    netpbm("arithmetic.jpg", base, "-arithmetic", "-quality=90")
    tall = picture(19, 31)
    for tag in range(1, 9):
        exif = Image.Exif()
        exif[0x0112] = tag
        save("orientation-%d.jpg" % tag, tall, quality=90, exif=exif.tobytes())


def bad():
    src = os.path.join(GOOD, "baseline-420.jpg")
    with open(src, "rb") as f:
        data = f.read()
    sos = data.index(b"\xff\xda")
    sof = data.index(b"\xff\xc0")
    expected = {}

    def write(name, blob, message):
        with open(os.path.join(BAD, name), "wb") as f:
            f.write(blob)
        expected[name] = message

    write("truncated-in-scan.jpg", data[: sos + 60], "Error reading JPEG file: Premature end of JPEG file.")
    write("header-only.jpg", data[:sos], "Error reading JPEG file: Premature end of JPEG file.")
    write("soi-only.jpg", data[:3], "Error reading JPEG file: Premature end of JPEG file.")
    # 65535 x 65535 pixels claimed by a file of a few hundred bytes.
    huge = data[: sof + 5] + struct.pack(">HH", 65500, 65500) + data[sof + 9 :]
    write("huge-claim.jpg", huge, "A picture of 65500 x 65500 pixels is too large to be read.")
    big = data[: sof + 5] + struct.pack(">HH", 12000, 12000) + data[sof + 9 :]
    write("too-little-data.jpg", big, "Error reading JPEG file: too little image data for 12000 x 12000 pixels.")
    zero = data[: sof + 5] + struct.pack(">HH", 0, 37) + data[sof + 9 :]
    write("zero-height.jpg", zero, "Error reading JPEG file: Empty JPEG image (DNL not supported).")
    write("garbage-after-soi.jpg", b"\xff\xd8\xff" + b"\x00" * 40,
          "Error reading JPEG file: Premature end of JPEG file.")
    write("precision-5.jpg", data[: sof + 4] + bytes([5]) + data[sof + 5 :],
          "Error reading JPEG file: Unsupported JPEG data precision 5.")
    # A quantisation table of an unknown precision.
    dqt = data.index(b"\xff\xdb")
    write("bad-dqt.jpg", data[: dqt + 4] + bytes([0x37]) + data[dqt + 5 :],
          "Error reading JPEG file: Bogus DQT index 7.")
    with open(os.path.join(BAD, "expected.tsv"), "w") as f:
        for name in sorted(expected):
            f.write("%s\t%s\n" % (name, expected[name]))


if __name__ == "__main__":
    os.makedirs(GOOD, exist_ok=True)
    os.makedirs(BAD, exist_ok=True)
    good()
    bad()
