#!/usr/bin/env python3
"""The spectrum of dotscape's noise dots, measured from the pixels: for each
slope B asked for, the fitted slope of log power against log frequency
(octave rings from 1/32 to 1/4 cycles per pixel) of the dots unlinked (the
eyes too far apart for any pair to fit) and of a stereogram of a hill.

  bench/compare/noise_spectrum.py [BUILD_DIR]
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image


def slope(path):
    a = np.asarray(Image.open(path).convert("L"), dtype=np.float64)
    p = np.abs(np.fft.fft2(a - a.mean())) ** 2
    h, w = a.shape
    fy = np.minimum(np.arange(h), h - np.arange(h))[:, None] / h
    fx = np.minimum(np.arange(w), w - np.arange(w))[None, :] / w
    r = np.hypot(fx, fy)
    xs, ys = [], []
    low = 1 / 32
    while low < 0.25:
        ring = (r >= low) & (r < low * 2 ** 0.5)
        xs.append(np.log(r[ring].mean()))
        ys.append(np.log(p[ring].mean()))
        low *= 2 ** 0.5
    return np.polyfit(xs, ys, 1)[0]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    exe = os.path.join(build, "bin", "dotscape")
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, "out.png")
        print("%5s %14s %14s" % ("B", "dots alone", "stereogram"))
        for beta in ("0", "0.5", "1", "1.5", "2", "3"):
            base = [exe, "make", "--figure", "1", "--width", "512", "--height", "384", "--no-markers", "-f",
                    "--method", "hidden-surface", "--oversample", "1", "--random-dots", "noise",
                    "--noise-colours", "grey", "--noise-beta", beta, "-o", out]
            subprocess.run(base + ["--dpi", "4800", "--eye-sep-mm", "80"], check=True, stderr=subprocess.DEVNULL)
            alone = slope(out)
            subprocess.run(base, check=True, stderr=subprocess.DEVNULL)
            print("%5s %14.2f %14.2f" % (beta, alone, slope(out)))


if __name__ == "__main__":
    main()
