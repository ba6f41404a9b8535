#!/bin/sh
# Whole-process comparison of `dotscape make` with netpbm's pamstereogram on
# the same depth pictures and the same 128-pixel tile, at 1200 x 1200 and at
# 4000 x 4000, from an 8-bit picture (depth by colour) and a 24-bit one
# (depth by brightness, not flat), both programs writing their uncompressed
# picture to a pipe; then `dotscape --version` against a C program that
# links the same libraries. One run of alternate.py (every round runs each
# command once, in turn, after 3 warm-up rounds; output into a drained
# pipe); for each pair the ratio of the median wall times, the median of the
# per-round ratios, the median difference (for --version, the time beyond
# the C floor) and the ratio of mean CPU times. Last, the peak
# resident memory of make from the kernel's accounting (GNU time).
#   [OLD_BUILD=<build dir>] bench/compare/pamstereogram.sh [BUILD_DIR] [RUNS]
# Installs netpbm and GNU time from Debian when they are missing.
set -eu
build=${1:-build}
runs=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
dotscape=$(cd "$build/bin" && pwd)/dotscape
lib=$(cd "$build/lib" && pwd)
missing=""
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

# The start-up floor: the libraries dotscape links, linked whether used or not.
cc -O2 -o startup "$here/startup.c" -Wl,--no-as-needed -L"$lib" -Wl,-rpath,"$lib" \
  -lterrakit -lpictrans -ldotscape_platform -lstdc++ -lm

make() { echo "$1 make --pattern-dir patterns --pattern 0 --force $2 -o -"; }
set -- \
  "pamstereogram 1200=pamstereogram -patfile tile.ppm depth1200.pgm" \
  "make 1200 (8-bit BMP)=$(make "$dotscape" "--picture depth1200.bmp")" \
  "make 1200 (24-bit BMP)=$(make "$dotscape" "--picture depth1200-24.bmp --depth-by brightness")" \
  "pamstereogram 4000=pamstereogram -patfile tile.ppm depth4000.pgm" \
  "make 4000 (8-bit BMP)=$(make "$dotscape" "--picture depth4000.bmp")" \
  "make 4000 (24-bit BMP)=$(make "$dotscape" "--picture depth4000-24.bmp --depth-by brightness")" \
  "figure 1200=$(make "$dotscape" "--figure 1 --width 1200 --height 1200")" \
  "dotscape --version=$dotscape --version" \
  "C floor=./startup" \
  "pamstereogram -version=pamstereogram -version"
# OLD_BUILD=<build dir>: that build's makes run in the same rounds, each
# paired with the peer and with this build's.
if [ -n "${OLD_BUILD:-}" ]; then
  old=$(cd "$OLD_BUILD/bin" && pwd)/dotscape
  set -- "$@" \
    "old make 1200 (8-bit BMP)=$(make "$old" "--picture depth1200.bmp")" \
    "old make 1200 (24-bit BMP)=$(make "$old" "--picture depth1200-24.bmp --depth-by brightness")" \
    "old make 4000 (8-bit BMP)=$(make "$old" "--picture depth4000.bmp")" \
    "old make 4000 (24-bit BMP)=$(make "$old" "--picture depth4000-24.bmp --depth-by brightness")"
fi
set -- "$@" -- "1 0 make 1200 (8-bit BMP)" "2 0 make 1200 (24-bit BMP)" \
  "4 3 make 4000 (8-bit BMP)" "5 3 make 4000 (24-bit BMP)" "6 0 figure 1200 / pamst. 1200" \
  "7 8 dotscape --version / C floor" "7 9 dotscape --version / pamst. -V"
if [ -n "${OLD_BUILD:-}" ]; then
  set -- "$@" "10 0 old make 1200 (8-bit) / pamst." "11 0 old make 1200 (24-bit) / pamst." \
    "12 3 old make 4000 (8-bit) / pamst." "13 3 old make 4000 (24-bit) / pamst." \
    "1 10 make 1200 (8-bit): new / old" "2 11 make 1200 (24-bit): new / old" \
    "4 12 make 4000 (8-bit): new / old" "5 13 make 4000 (24-bit): new / old"
fi
python3 "$here/alternate.py" --pipe "$runs" 3 "$@"

# Peak resident memory (kernel accounting) against decoded input + output.
for f in depth4000.bmp depth4000-24.bmp; do
  /usr/bin/time -f "make --picture $f: peak RSS %M KB" \
    "$dotscape" make --pattern-dir patterns --picture "$f" --depth-by brightness -o mem.bmp --force
done
