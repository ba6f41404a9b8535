#!/bin/sh
# Whole-process comparison of `dotscape make` with netpbm's pamstereogram on
# the same depth pictures and the same 128-pixel tile, at 1200 x 1200 and at
# 4000 x 4000, in one hyperfine run (both programs alternating, 3 warm-ups,
# medians reported), then a 1200 x 1200 math stereogram end to end, and the
# peak resident memory of make from the kernel's accounting (GNU time's
# maximum resident set size).
#   bench/compare/pamstereogram.sh [BUILD_DIR] [RUNS]
# Installs hyperfine, netpbm and GNU time from Debian when they are missing.
set -eu
build=${1:-build}
runs=${2:-30}
dotscape=$(cd "$build/bin" && pwd)/dotscape
missing=""
command -v hyperfine >/dev/null || missing="$missing hyperfine"
command -v pamstereogram >/dev/null || missing="$missing netpbm"
[ -x /usr/bin/time ] || missing="$missing time"
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The tile: 128 x 128, 256 colours, the same for both programs.
ppmpat -camo 128 128 > camo.ppm 2>/dev/null || ppmpat -g2 128 128 > camo.ppm
pnmquant 256 camo.ppm > tile.ppm 2>/dev/null
mkdir patterns
ppmtogif tile.ppm > patterns/pat00.gif 2>/dev/null

# Depth pictures: a ramp with a raised disc, 256 grey levels; dotscape reads
# it as an 8-bit BMP (depth by colour) and as a 24-bit BMP (depth by
# brightness), pamstereogram as PGM.
for size in 1200 4000; do
  pgmramp -ellipse $size $size > depth$size.pgm
  pgmtoppm white depth$size.pgm > depth$size.ppm
  ppmtobmp -bpp 8 depth$size.ppm > depth$size.bmp 2>/dev/null
  ppmtobmp -bpp 24 depth$size.ppm > depth$size-24.bmp 2>/dev/null
  rm depth$size.ppm
done

make() { echo "$dotscape make --pattern-dir patterns --pattern 0 --force $*"; }
# pamstereogram writes its picture to a pipe; dotscape writes its BMP file.
hyperfine -N --output=pipe -w 3 -r "$runs" --export-json times.json \
  "pamstereogram -patfile tile.ppm depth1200.pgm" \
  "$(make --picture depth1200.bmp -o out1200.bmp)" \
  "$(make --picture depth1200-24.bmp --depth-by brightness -o out1200-24.bmp)" \
  "pamstereogram -patfile tile.ppm depth4000.pgm" \
  "$(make --picture depth4000.bmp -o out4000.bmp)" \
  "$(make --picture depth4000-24.bmp --depth-by brightness -o out4000-24.bmp)" \
  "$(make --figure 1 --width 1200 --height 1200 -o figure.bmp)" \
  "$dotscape --version" \
  "pamstereogram -version"

# Medians, and make's time as a share of pamstereogram's at each size.
python3 - <<'EOF'
import json, statistics
r = json.load(open("times.json"))["results"]
med = [statistics.median(x["times"]) * 1000 for x in r]
names = ["pamstereogram 1200", "make 1200 (8-bit BMP)", "make 1200 (24-bit BMP)",
         "pamstereogram 4000", "make 4000 (8-bit BMP)", "make 4000 (24-bit BMP)",
         "make figure 1200 x 1200", "dotscape --version", "pamstereogram -version"]
for n, m in zip(names, med):
    print(f"{n:28s} median {m:8.2f} ms")
for i, size in ((0, 1200), (3, 4000)):
    print(f"make / pamstereogram at {size}: {med[i + 1] / med[i]:.2f} (8-bit), {med[i + 2] / med[i]:.2f} (24-bit)")
EOF

# Peak resident memory (kernel accounting) against decoded input + output.
for f in depth4000.bmp depth4000-24.bmp; do
  /usr/bin/time -f "make --picture $f: peak RSS %M KB" \
    "$dotscape" make --pattern-dir patterns --picture "$f" --depth-by brightness -o mem.bmp --force
done
