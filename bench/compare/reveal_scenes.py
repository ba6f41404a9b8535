#!/usr/bin/env python3
"""Depth scenes and the correlation measure of bench/compare/reveal_cases.sh.

  reveal_scenes.py scene NAME W H OUT.pgm    writes one depth scene (NAME one of names, or
                                             ripple-K-A: K waves across the width at A degrees)
  reveal_scenes.py pearson A B               Pearson's r of two pictures (as grey)
  reveal_scenes.py names                     the scenes' names
  reveal_scenes.py run PICTURE               the longest horizontal run of identical pixels
  reveal_scenes.py table CASES SCENE ...     the manual's table of a reveal_cases.sh output
"""
import math
import sys

import numpy as np
from PIL import Image


def scene(name, w, h):
    x = np.arange(w, dtype=np.float64)[None, :].repeat(h, 0)
    y = np.arange(h, dtype=np.float64)[:, None].repeat(w, 1)
    if name == "sine":  # ridges across the picture, a repeat the period can lock to
        v = 0.5 + 0.5 * np.sin(2 * math.pi * x / (w / 4))
    elif name == "sine-fine":
        v = 0.5 + 0.5 * np.sin(2 * math.pi * x / (w / 9))
    elif name == "wavy":
        v = 0.5 + 0.5 * np.sin(2 * math.pi * x / (w / 3)) * np.cos(2 * math.pi * y / (h / 2))
    elif name == "stairs":  # a long staircase rising left to right
        v = np.floor(x * 10 / w) / 9
    elif name == "stairs-long":  # many narrow steps: each one a repeat near its neighbours
        v = np.floor(x * 24 / w) / 23
    elif name == "sine-diagonal":
        v = 0.5 + 0.5 * np.sin(2 * math.pi * (x + y) / (w / 5))
    elif name == "stairs-down":
        v = 1 - np.floor(y * 8 / h) / 7
    elif name == "disc":
        r = np.hypot(x - w / 2, y - h / 2)
        v = np.where(r < h * 0.35, 1.0, 0.0)
    elif name == "discs":
        v = np.zeros_like(x)
        for cx, cy, level in ((0.25, 0.3, 0.5), (0.6, 0.6, 1.0), (0.85, 0.25, 0.75)):
            v = np.where(np.hypot(x - w * cx, y - h * cy) < h * 0.2, level, v)
    elif name == "ramp":
        v = x / (w - 1)
    elif name == "ramp-v":
        v = y / (h - 1)
    elif name == "hill":
        r = np.hypot(x - w * 0.4, y - h * 0.5) / (h * 0.45)
        v = np.where(r < 1, 0.5 * (1 + np.cos(math.pi * np.minimum(r, 1))), 0.0)
    elif name == "rings":  # concentric ripples
        v = 0.5 + 0.5 * np.cos(2 * math.pi * 3 * np.hypot(x - w / 2, y - h / 2) / w)
    elif name == "checker":  # two planes far apart, 6 by 4 squares
        v = ((np.floor(x * 6 / w) + np.floor(y * 4 / h)) % 2).astype(np.float64)
    elif name == "pyramid":
        v = 1 - np.maximum(np.abs(x - w / 2) / (w / 2), np.abs(y - h / 2) / (h / 2))
    elif name == "ramp-diagonal":
        v = (x / w + y / h) / 2
    elif name == "blocks":  # upright bars and a beam at several heights, as letters stand
        v = np.zeros_like(x)
        v = np.where((y >= h // 4) & (y < 3 * h // 4) & (x >= w // 6) & (x < w // 6 + w // 12), 1.0, v)
        v = np.where((y >= h // 4) & (y < h // 4 + h // 10) & (x >= w // 6) & (x < w // 2), 1.0, v)
        v = np.where((y >= h // 2) & (y < 3 * h // 4) & (x >= w // 2) & (x < w // 2 + w // 12), 0.6, v)
        v = np.where((y >= h // 4) & (y < 3 * h // 4) & (x >= 2 * w // 3) & (x < 2 * w // 3 + w // 8), 0.8, v)
    elif name == "cone":
        v = np.clip(1 - np.hypot(x - w / 2, y - h / 2) / (h / 2), 0, 1)
    elif name == "bumps":
        v = 0.5 + 0.25 * np.sin(2 * math.pi * 2 * x / w) * np.sin(2 * math.pi * 2 * y / h) + 0.25 * np.sin(
            2 * math.pi * 0.7 * x / w)
    elif name.startswith("ripple-"):  # ripple-K-A: K waves across the width, running at A degrees
        k, a = (float(v) for v in name.split("-")[1:3])
        t = (x * math.cos(math.radians(a)) + y * math.sin(math.radians(a))) / w
        v = 0.5 + 0.5 * np.sin(2 * math.pi * k * t + 0.7)
    else:
        raise SystemExit("unknown scene " + name)
    return np.clip(np.rint(v * 255), 0, 255).astype(np.uint8)


NAMES = ["sine", "sine-fine", "sine-diagonal", "wavy", "stairs", "stairs-long", "stairs-down", "disc", "discs", "ramp",
         "ramp-v", "hill", "rings", "checker", "pyramid", "ramp-diagonal", "blocks", "cone", "bumps"]


def pearson(a, b):
    p = np.asarray(Image.open(a).convert("L"), dtype=np.float64).ravel()
    q = np.asarray(Image.open(b).convert("L"), dtype=np.float64).ravel()
    if p.size != q.size or p.std() == 0 or q.std() == 0:
        return float("nan")
    return float(np.corrcoef(p, q)[0, 1])


def longest_run(a):
    p = np.asarray(Image.open(a).convert("RGB"), dtype=np.int32)
    v = (p[:, :, 0] << 16) | (p[:, :, 1] << 8) | p[:, :, 2]
    best = 1
    for row in v:
        change = np.flatnonzero(np.diff(row) != 0)
        edges = np.concatenate(([-1], change, [row.size - 1]))
        best = max(best, int(np.diff(edges).max()))
    return best


def table(lines, scenes):
    """The manual's HTML table of a reveal_cases.sh run, for these scenes: a
    row per maker, the last figure of each line (the new build's, with
    OLD_BUILD), under 0.95 in bold."""
    figures, makers = {}, []
    for line in lines[1:]:
        words = line.split()
        if len(words) < 3:
            continue
        scene, figure = words[0], words[-1]
        maker = " ".join(words[1:-2] if len(words) > 3 and _figure(words[-2]) else words[1:-1])
        if maker not in makers:
            makers.append(maker)
        figures[(scene, maker)] = figure

    def cell(f):
        if f is None:
            return "<td></td>"
        text = f if f == "refused" else "%.3f" % float(f)
        text = text.replace("-", "&minus;")
        return "<td><b>%s</b></td>" % text if f == "refused" or float(f) < 0.95 else "<td>%s</td>" % text

    out = ['<table border="1" cellpadding="3">',
           "<tr><th>maker</th>" + "".join("<th>%s</th>" % s for s in scenes) + "</tr>"]
    for m in makers:
        out.append("<tr><td>%s</td>" % m + "".join(cell(figures.get((s, m))) for s in scenes) + "</tr>")
    out.append("</table>")
    return "\n".join(out)


def _figure(word):
    try:
        float(word)
        return True
    except ValueError:
        return word == "refused"


if __name__ == "__main__":
    if sys.argv[1] == "scene":
        Image.fromarray(scene(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))).save(sys.argv[5])
    elif sys.argv[1] == "pearson":
        print("%.4f" % pearson(sys.argv[2], sys.argv[3]))
    elif sys.argv[1] == "run":
        print(longest_run(sys.argv[2]))
    elif sys.argv[1] == "table":  # table CASES_OUTPUT SCENE ...
        print(table(open(sys.argv[2]).read().splitlines(), sys.argv[3:]))
    elif sys.argv[1] == "names":
        print(" ".join(NAMES))
