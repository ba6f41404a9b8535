#!/bin/sh
# Remakes the README's pictures from the program itself:
#   docs/make-pictures.sh [BUILD_DIR]        (default: build)
# docs/desktop.png           the desktop program under Xvfb: a depth map, its
#                            live preview and the stereogram made from it
# docs/stereogram-and-depth.png  a stereogram beside the depth picture it hides
# docs/scene.rds             the depth map of the screenshot
# app/src/gui/help/models-window.png  the manual's model window (a knot
#                            written here as an STL) and the stereogram
#                            made from it
# Needs Xvfb, ImageMagick (convert, import) and python3.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
program=$build/bin/dotscape
work=$(mktemp -d)
xvfb=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A user of its own: no settings but the window's size, no added patterns.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data
mkdir -p "$XDG_CONFIG_HOME/dotscape"
printf '[WinSize]\nX1=0\nY1=0\nX2=1280\nY2=900\n' > "$XDG_CONFIG_HOME/dotscape/DOTSCAPE.INI"

# The depth map: a background, a round box, a star, two circles, each a level
# within the default depth range (0 to 63).
python3 - "$here/scene.rds" <<'PY'
import struct, sys
def box(kind, level, x1, y1, x2, y2):
    return struct.pack("<6i", kind, level, x1, y1, x2, y2)
def polygon(level, points):
    return struct.pack("<3i", 5, level, len(points)) + b"".join(struct.pack("<2i", *p) for p in points)
star = [(300, 70), (328, 150), (410, 150), (344, 198), (368, 280), (300, 232), (232, 280), (256, 198),
        (190, 150), (272, 150)]
top_down = [
    box(6, 60, 276, 156, 324, 204),       # a circle on the star
    polygon(45, star),
    box(6, 30, 60, 90, 220, 250),         # a circle at the left
    box(4, 20, 380, 60, 560, 320),        # a round box at the right
    box(3, 0, 0, 0, 600, 360),            # the background
]
with open(sys.argv[1], "wb") as f:
    f.write(b"DEPTHMAP\0" + bytes(7) + bytes([1]) + struct.pack("<i", len(top_down)) + b"".join(top_down))
PY
"$program" make --depthmap "$here/scene.rds" --force -o "$work/scene-sirds.png"

# A stereogram beside its depth: a grey depth picture drawn here, made into
# a stereogram by brightness with the hidden-surface method.
convert -size 480x360 xc:black \
  -fill 'gray(35%)' -draw 'roundrectangle 40,40 440,320 40,40' \
  -fill 'gray(70%)' -draw 'circle 240,180 240,80' \
  -fill 'gray(100%)' -draw 'circle 240,180 240,135' \
  -blur 0x3 -colorspace Gray -depth 8 "$work/depth.png"
"$program" make --picture "$work/depth.png" --depth-by brightness --method hidden-surface \
  --zmin 0 --zmax 255 --force -o "$work/depth-sirds.png"
convert "$work/depth-sirds.png" "$work/depth.png" -bordercolor white -border 8 +append \
  -strip "$here/stereogram-and-depth.png"

# The desktop program on a screen of its own, without a window manager.
# Xvfb picks a free display number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  [ -s "$work/display" ] && break
  sleep 1
done
display=:$(cat "$work/display")
DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" "$work/scene-sirds.png" "$here/scene.rds" >/dev/null 2>&1 &
app=$!
# Time to open both windows and for the preview to be made.
sleep "${SETTLE_SECONDS:-8}"
DISPLAY=$display import -window root -strip "$here/desktop.png"
kill "$app"
wait "$app" 2>/dev/null || true

# The manual's model window: a trefoil knot drawn as a tube, its window
# beside the stereogram make --model makes of it with the same camera.
python3 - "$work/knot.stl" <<'PY'
import math, struct, sys
def knot(t):
    return (math.sin(t) + 2 * math.sin(2 * t), math.cos(t) - 2 * math.cos(2 * t), -math.sin(3 * t))
def sub(a, b): return tuple(x - y for x, y in zip(a, b))
def cross(a, b): return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
def unit(a):
    n = math.sqrt(sum(x * x for x in a))
    return tuple(x / n for x in a)
nu, nv, radius = 300, 24, 0.45
rings = []
for i in range(nu):
    t = 2 * math.pi * i / nu
    c, ahead = knot(t), knot(t + 1e-3)
    tangent = unit(sub(ahead, c))
    side = unit(cross(tangent, (0, 0, 1)))
    up = cross(side, tangent)
    rings.append([tuple(c[k] + radius * (math.cos(2 * math.pi * j / nv) * side[k] +
                                          math.sin(2 * math.pi * j / nv) * up[k]) for k in range(3))
                  for j in range(nv)])
tris = []
for i in range(nu):
    for j in range(nv):
        a, b = rings[i][j], rings[(i + 1) % nu][j]
        c, d = rings[i][(j + 1) % nv], rings[(i + 1) % nu][(j + 1) % nv]
        tris += [(a, b, c), (b, d, c)]
with open(sys.argv[1], "wb") as f:
    f.write(bytes(80) + struct.pack("<I", len(tris)))
    for t in tris:
        f.write(struct.pack("<12fH", 0, 0, 0, *t[0], *t[1], *t[2], 0))
PY
# The hidden-surface method takes the model's 16 bits, here and in the live preview.
printf '[WinSize]\nX1=0\nY1=0\nX2=1100\nY2=700\n[DEMO]\nShiftDir=4\n' > "$XDG_CONFIG_HOME/dotscape/DOTSCAPE.INI"
"$program" make --model "$work/knot.stl" --width 400 --height 400 --method hidden-surface \
  --force -o "$work/knot-sirds.png"
DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" "$work/knot-sirds.png" "$work/knot.stl" >/dev/null 2>&1 &
app=$!
sleep "${SETTLE_SECONDS:-8}"
DISPLAY=$display import -window root -crop 1100x700+0+0 -strip "$here/../app/src/gui/help/models-window.png"
echo "wrote $here/desktop.png, $here/stereogram-and-depth.png, $here/scene.rds and the manual's models-window.png"
