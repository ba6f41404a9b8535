#!/usr/bin/python3
"""Writes the netpbm test files. good/ holds PBM, PGM, PPM and PAM files,
plain and raw, at several maximum values, made by PIL and by the netpbm
tools; beside each NAME.want.png holds the colours it shows (made by netpbm's
pnmtopng, or by PIL for alpha, dropped onto black), and for grey of more than
8 bits NAME.want16.png holds its samples scaled to 16 bits by netpbm's pamdepth.
malformed/ holds damaged files, each refused with the message expected.tsv
gives. Run it to remake them: python3 make_pnms.py (needs python3-pil, netpbm)."""
import os
import subprocess

from PIL import Image

BASE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(BASE, "good")
BAD = os.path.join(BASE, "malformed")
W, H = 29, 13


def path(name):
    return os.path.join(GOOD, name)


def run(args, src=None, dst=None):
    with open(src, "rb") if src else open(os.devnull, "rb") as i, open(dst, "wb") as o:
        subprocess.run(args, stdin=i, stdout=o, check=True)


def rgb_picture():
    im = Image.new("RGB", (W, H))
    im.putdata([((x * 9) & 255, (y * 19) & 255, (x * y * 7 + 40) & 255) for y in range(H) for x in range(W)])
    return im


def grey16_picture(maxval):
    """A PGM of the given maximum value written by hand: netpbm reads it the same."""
    data = bytearray()
    for y in range(H):
        for x in range(W):
            v = (x * 977 + y * 4099 + x * y * 31) % (maxval + 1)
            data += bytes([v >> 8, v & 255]) if maxval > 255 else bytes([v])
    return b"P5\n# made by make_pnms.py\n%d %d\n%d\n" % (W, H, maxval) + bytes(data)


def want(name, *filters):
    """NAME.want.png through pnmtopng (after filters, e.g. pamdepth)."""
    src = path(name)
    tmp = path("tmp.pnm")
    stage = src
    for f in filters:
        run(f, stage, tmp + ".2")
        os.replace(tmp + ".2", tmp)
        stage = tmp
    run(["pnmtopng"], stage, path(os.path.splitext(name)[0] + ".want.png"))
    if os.path.exists(tmp):
        os.remove(tmp)


def want16(name):
    stem = os.path.splitext(name)[0]
    run(["pamdepth", "65535"], path(name), path("tmp16.pgm"))
    run(["pnmtopng"], path("tmp16.pgm"), path(stem + ".want16.png"))
    os.remove(path("tmp16.pgm"))


def good():
    rgb = rgb_picture()
    rgb.save(path("ppm-raw.ppm"))
    want("ppm-raw.ppm")
    run(["pnmtoplainpnm"], path("ppm-raw.ppm"), path("ppm-plain.ppm"))
    want("ppm-plain.ppm")
    grey = rgb.convert("L")
    grey.save(path("pgm-raw.pgm"))
    want("pgm-raw.pgm")
    run(["pnmtoplainpnm"], path("pgm-raw.pgm"), path("pgm-plain.pgm"))
    want("pgm-plain.pgm")
    run(["pamdepth", "15"], path("pgm-raw.pgm"), path("pgm-maxval15.pgm"))
    want("pgm-maxval15.pgm", ["pamdepth", "255"])
    run(["pamdepth", "100"], path("ppm-raw.ppm"), path("ppm-maxval100.ppm"))
    want("ppm-maxval100.ppm", ["pamdepth", "255"])
    run(["pamdepth", "65535"], path("ppm-raw.ppm"), path("ppm-16bit.ppm"))
    want("ppm-16bit.ppm", ["pamdepth", "255"])
    bw = grey.point(lambda v: 255 if v > 110 else 0).convert("1")
    bw.save(path("pbm-raw.pbm"))
    want("pbm-raw.pbm")
    run(["pnmtoplainpnm"], path("pbm-raw.pbm"), path("pbm-plain.pbm"))
    want("pbm-plain.pbm")
    for maxval in (65535, 1000, 4095):
        name = "pgm-maxval%d.pgm" % maxval
        with open(path(name), "wb") as f:
            f.write(grey16_picture(maxval))
        want16(name)
    run(["pnmtoplainpnm"], path("pgm-maxval1000.pgm"), path("pgm-plain-maxval1000.pgm"))
    want16("pgm-plain-maxval1000.pgm")
    # PAM of every tuple type.
    run(["pamtopam"], path("ppm-raw.ppm"), path("pam-rgb.pam"))
    want("pam-rgb.pam")
    run(["pamtopam"], path("pgm-raw.pgm"), path("pam-grey.pam"))
    want("pam-grey.pam")
    run(["pamtopam"], path("pbm-raw.pbm"), path("pam-blackandwhite.pam"))
    want("pam-blackandwhite.pam")
    run(["pamtopam"], path("pgm-maxval65535.pgm"), path("pam-grey16.pam"))
    want16("pgm-maxval65535.pgm")
    os.replace(path("pgm-maxval65535.want16.png"), path("pam-grey16.want16.png"))
    want16("pgm-maxval65535.pgm")
    # Alpha, through PNG files PIL makes and netpbm's pngtopam turns into PAM.
    alpha = [(x * 255 // (W - 1)) for y in range(H) for x in range(W)]
    rgba = rgb.copy()
    rgba.putalpha(Image.frombytes("L", (W, H), bytes(alpha)))
    la = grey.copy().convert("LA")
    la.putalpha(Image.frombytes("L", (W, H), bytes(alpha)))
    for name, im in (("pam-rgb-alpha.pam", rgba), ("pam-grey-alpha.pam", la)):
        im.save(path("tmp.png"))
        run(["pngtopam", "-alphapam"], path("tmp.png"), path(name))
        os.remove(path("tmp.png"))
        flat = Image.new("RGB", (W, H))
        flat.putdata([tuple((c * a + 127) // 255 for c in px[:3]) for px, a in
                      zip(im.convert("RGBA").getdata(), alpha)])
        flat.save(path(os.path.splitext(name)[0] + ".want.png"))
    # Two pictures in one file: the first counts.
    with open(path("two-pictures.pgm"), "wb") as f:
        f.write(open(path("pgm-raw.pgm"), "rb").read() + open(path("pgm-maxval15.pgm"), "rb").read())
    want("two-pictures.pgm")


def bad():
    expected = {}

    def write(name, blob, message):
        with open(os.path.join(BAD, name), "wb") as f:
            f.write(blob)
        expected[name] = message

    raw = open(path("ppm-raw.ppm"), "rb").read()
    write("truncated-raster.ppm", raw[:-10], "Error reading PNM file: the file ends before the picture does.")
    write("header-only.pgm", b"P5\n20 20\n255\n", "Error reading PNM file: the file ends before the picture does.")
    write("maxval-zero.pgm", b"P5\n2 2\n0\n\0\0\0\0", "Error reading PNM file: the maximum value must be 1 to 65535.")
    write("maxval-too-big.pgm", b"P2\n2 2\n65536\n1 2 3 4\n",
          "Error reading PNM file: the maximum value must be 1 to 65535.")
    write("zero-width.ppm", b"P6\n0 5\n255\n", "Error reading PNM file: the width and height must be at least 1.")
    write("huge.pgm", b"P5\n65535 65535\n255\n\0", "A picture of 65535 x 65535 pixels is too large to be read.")
    write("width-not-number.pbm", b"P4\nxx 5\n", "Error reading PNM file: the width and height are not numbers.")
    write("plain-letter.pgm", b"P2\n2 2\n9\n1 2 x 4\n", "Error reading PNM file: a sample is not a number.")
    write("plain-short.ppm", b"P3\n2 1\n255\n1 2 3 4 5\n", "Error reading PNM file: the file ends before the picture does.")
    write("pbm-bad-digit.pbm", b"P1\n3 1\n0 2 1\n", "Error reading PNM file: a sample is not a number.")
    write("no-space-after-maxval.pgm", b"P5\n1 1\n255x", "Error reading PNM file: the header does not end in white space.")
    write("pam-no-endhdr.pam", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n",
          "Error reading PNM file: the header has no ENDHDR.")
    write("pam-missing-depth.pam", b"P7\nWIDTH 1\nHEIGHT 1\nMAXVAL 255\nENDHDR\n\0",
          "Error reading PNM file: the header lacks WIDTH, HEIGHT, DEPTH or MAXVAL.")
    write("pam-depth-mismatch.pam", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n\0\0",
          "Error reading PNM file: a depth of 2 does not fit the tuple type RGB.")
    write("pam-unknown-tuple.pam", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n\0",
          "Error reading PNM file: the tuple type CMYK is not supported.")
    write("pam-depth-7.pam", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 7\nMAXVAL 255\nENDHDR\n" + b"\0" * 7,
          "Error reading PNM file: a depth of 7 is not supported.")
    write("pam-unknown-line.pam", b"P7\nWIDTH 1\nCOLOUR 3\nENDHDR\n",
          "Error reading PNM file: the header has an unknown line.")
    with open(os.path.join(BAD, "expected.tsv"), "w") as f:
        f.write("# File name, a tab, the exact message the reader must refuse it with.\n")
        for name in sorted(expected):
            f.write("%s\t%s\n" % (name, expected[name]))


if __name__ == "__main__":
    os.makedirs(GOOD, exist_ok=True)
    os.makedirs(BAD, exist_ok=True)
    good()
    bad()
