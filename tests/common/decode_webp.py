#!/usr/bin/python3
# Decodes an animated WebP with Pillow, an independent reader: prints
# "frames loop" then one delay a line, and writes every composed frame as
# raw RGB rows to the output file, one after the other.
import sys
from PIL import Image

im = Image.open(sys.argv[1])
frames = getattr(im, "n_frames", 1)
print(frames, im.info.get("loop", -1), im.size[0], im.size[1])
with open(sys.argv[2], "wb") as out:
    for k in range(frames):
        im.seek(k)
        im.load()
        print(im.info.get("duration", -1))
        out.write(im.convert("RGB").tobytes())
