#!/usr/bin/python3
"""Writes the WebP test files. good/ holds lossy and lossless pictures made
by PIL, with and without alpha, and an animated one; beside each
NAME.want.png holds the colours PIL decodes from it (the first frame of the
animated one), alpha dropped onto black, (c * a + 127) // 255.
malformed/ holds damaged files, each refused with the message expected.tsv
gives. Run it to remake them: python3 make_webps.py (needs python3-pil)."""
import os
import struct

from PIL import Image

BASE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(BASE, "good")
BAD = os.path.join(BASE, "malformed")
W, H = 41, 27


def path(name):
    return os.path.join(GOOD, name)


def picture(shift=0):
    im = Image.new("RGBA", (W, H))
    im.putdata([(((x + shift) * 6) & 255, (y * 9) & 255, ((x ^ y) * 5) & 255, min(255, x * 7 + y * 3))
                for y in range(H) for x in range(W)])
    return im


def want(name):
    im = Image.open(path(name))
    im.seek(0)
    rgba = im.convert("RGBA")
    flat = Image.new("RGB", rgba.size)
    flat.putdata([tuple((c * p[3] + 127) // 255 for c in p[:3]) for p in rgba.getdata()])
    flat.save(path(os.path.splitext(name)[0] + ".want.png"))


def good():
    rgba = picture()
    rgb = rgba.convert("RGB")
    for name, im, options in (
        ("lossless-rgb.webp", rgb, dict(lossless=True)),
        ("lossless-alpha.webp", rgba, dict(lossless=True)),
        ("lossy-rgb.webp", rgb, dict(quality=80)),
        ("lossy-alpha.webp", rgba, dict(quality=80)),
        ("lossy-rgb-q10.webp", rgb, dict(quality=10, method=6)),
    ):
        im.save(path(name), "WEBP", **options)
        want(name)
    frames = [picture(0).convert("RGB"), picture(20).convert("RGB"), picture(40).convert("RGB")]
    frames[0].save(path("animated.webp"), "WEBP", save_all=True, append_images=frames[1:], duration=100,
                   lossless=True)
    want("animated.webp")


def bad():
    expected = {}

    def write(name, blob, message):
        with open(os.path.join(BAD, name), "wb") as f:
            f.write(blob)
        expected[name] = message

    lossy = open(path("lossy-rgb.webp"), "rb").read()
    lossless = open(path("lossless-rgb.webp"), "rb").read()
    write("truncated-lossy.webp", lossy[: len(lossy) // 2], "Error reading WebP file: the file ends before the picture does.")
    write("truncated-lossless.webp", lossless[: len(lossless) // 2],
          "Error reading WebP file: the file ends before the picture does.")
    write("header-only.webp", lossy[:12], "Error reading WebP file: the file ends before the picture does.")
    write("riff-not-webp.webp", b"RIFF\x10\0\0\0WAVEfmt " + b"\0" * 8, "File Format is not supported.")
    write("unknown-chunk.webp", b"RIFF\x14\0\0\0WEBPABCD\x08\0\0\0" + b"\0" * 8,
          "Error reading WebP file: the data is damaged.")
    damaged = bytearray(lossless)
    for i in range(30, len(damaged) - 4, 7):
        damaged[i] ^= 0x5A
    write("damaged-lossless.webp", bytes(damaged), "Error reading WebP file: the data is damaged.")
    # A lossless header claiming 16384 x 16384 pixels over a few bytes.
    vp8l = bytes([0x2F]) + struct.pack("<I", (16383) | (16383 << 14)) + b"\0" * 8
    write("huge-claim.webp", b"RIFF" + struct.pack("<I", 4 + 8 + len(vp8l)) + b"WEBPVP8L" +
          struct.pack("<I", len(vp8l)) + vp8l, "Error reading WebP file: the data is damaged.")
    with open(os.path.join(BAD, "expected.tsv"), "w") as f:
        f.write("# File name, a tab, the exact message the reader must refuse it with.\n")
        for name in sorted(expected):
            f.write("%s\t%s\n" % (name, expected[name]))


if __name__ == "__main__":
    os.makedirs(GOOD, exist_ok=True)
    os.makedirs(BAD, exist_ok=True)
    good()
    bad()
