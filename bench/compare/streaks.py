#!/usr/bin/env python3
"""Streaks: the longest horizontal run of identical pixels in a stereogram,
beside the dots' own longest run + 1, for every scan method of dotscape and
for netpbm's pamstereogram, on the depth scenes of reveal_scenes.py.

The dots' own run: for dotscape's hidden-surface method the dots as they
are, unlinked (the same seed with the eyes so far apart that no pair fits
in the picture); for the patterns and for pamstereogram, the same program's
picture of a flat scene.

  bench/compare/streaks.py [BUILD_DIR] [WIDTH HEIGHT]

A line per program, method and dots: the scene with the longest run, that
run, the flat scene's run + 1, and "ok" when the run is within it.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reveal_scenes  # noqa: E402


def longest_run(path):
    """The longest run of identical pixels along any row."""
    a = np.asarray(Image.open(path).convert("RGB"), dtype=np.int32)
    packed = (a[:, :, 0] << 16) | (a[:, :, 1] << 8) | a[:, :, 2]
    best = 1
    for row in packed:
        change = np.flatnonzero(np.diff(row) != 0)
        edges = np.concatenate(([-1], change, [row.size - 1]))
        best = max(best, int(np.diff(edges).max()))
    return best


def dotscape_cases(build, work):
    """(label, maker, own): each maker takes a depth PGM and an output name;
    own makes the dots' own picture, or is None for the flat scene."""
    exe = os.path.join(build, "bin", "dotscape")
    base = [exe, "make", "--depth-by", "brightness", "--zmax", "255", "--no-markers", "-f"]
    cases = []
    for method in ("left-to-right", "mcmahon", "feucht"):
        for extra, label in (([], "pattern"), (["--no-streaks"], "pattern --no-streaks")):
            cases.append(("dotscape %s, %s" % (method, label), base + ["--method", method] + extra, False))
    for dots in ("colour", "grey", "bw", "noise"):
        for k in ("1", "4"):
            cases.append(("dotscape hidden-surface K=%s, %s dots" % (k, dots),
                          base + ["--method", "hidden-surface", "--oversample", k, "--random-dots", dots], True))
    cases.append(("dotscape hidden-surface K=1, pattern",
                  base + ["--method", "hidden-surface", "--oversample", "1"], False))
    apart = ["--dpi", "4800", "--eye-sep-mm", "80"]  # 15118 pixels between the eyes

    def run(command, depth, out):
        if "left-to-right" in command:
            # Its separation is the gap less the depth level itself, so
            # levels up to 255 would make it vanish: a quarter of them.
            quarter = out + ".quarter.pgm"
            Image.fromarray((np.asarray(Image.open(depth)) // 4).astype(np.uint8)).save(quarter)
            depth = quarter
        subprocess.run(command + ["--picture", depth, "-o", out], check=True, stderr=subprocess.DEVNULL)
    return [(label, lambda depth, out, c=command: run(c, depth, out),
             (lambda depth, out, c=command: run(c + apart, depth, out)) if raw else None)
            for label, command, raw in cases]


def pam_cases():
    cases = []
    for kind in ("-color", "-grayscale", "-blackandwhite"):
        def run(depth, out, kind=kind):
            pgm = out + ".pgm"
            Image.open(depth).convert("L").save(pgm)  # plain PGM for netpbm
            with open(out + ".pam", "wb") as f:
                subprocess.run(["pamstereogram", kind, "-randomseed", "1", "-dpi", "50", pgm], check=True,
                               stdout=f, stderr=subprocess.DEVNULL)
            with open(out + ".ppm", "wb") as f:
                subprocess.run(["pamtopnm", out + ".pam"], check=True, stdout=f, stderr=subprocess.DEVNULL)
            Image.open(out + ".ppm").save(out)
        cases.append(("pamstereogram %s" % kind, run, None))
    return cases


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    w, h = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (600, 400)
    with tempfile.TemporaryDirectory() as work:
        flat = os.path.join(work, "flat.pgm")
        Image.fromarray(np.zeros((h, w), dtype=np.uint8)).save(flat)
        scenes = []
        for name in reveal_scenes.NAMES:
            path = os.path.join(work, name + ".pgm")
            Image.fromarray(reveal_scenes.scene(name, w, h)).save(path)
            scenes.append((name, path))
        out = os.path.join(work, "out.png")
        print("%-46s %-12s %5s %9s" % ("program, method, dots", "worst scene", "run", "own + 1"))
        for label, make, raw in dotscape_cases(build, work) + pam_cases():
            (raw or make)(flat, out)
            own = longest_run(out)
            worst = max(((longest_run(out), name) for name, path in scenes if make(path, out) is None))
            print("%-46s %-12s %5d %9d %s" % (label, worst[1], worst[0], own + 1,
                                              "ok" if worst[0] <= own + 1 else "STREAKS"))


if __name__ == "__main__":
    main()
