#!/bin/sh
# Whole-process comparison of `dotscape make --method hidden-surface` with
# netpbm's pamstereogram (whose symmetric links are of the same kind) on the
# same depth pictures and 128-pixel tile, at 1200 x 1200 and 4000 x 4000:
# oversampling 1 (an 8-bit stereogram) and 4 (true colour), both programs
# writing their uncompressed picture to a pipe, in one run of alternate.py
# (every round runs each command once, in turn); for each pair the ratio of
# the median wall times, the median per-round ratio and the ratio of mean
# CPU times (the steadier measure on a shared machine).
#   [OLD_BUILD=<build dir>] bench/compare/hidden_surface.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build}
runs=${2:-30}
here=$(cd "$(dirname "$0")" && pwd)
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ppmpat -camo 128 128 > camo.ppm 2>/dev/null || ppmpat -g2 128 128 > camo.ppm
pnmquant 256 camo.ppm > tile.ppm 2>/dev/null
mkdir patterns
ppmtogif tile.ppm > patterns/pat00.gif 2>/dev/null
for size in 1200 4000; do
  pgmramp -ellipse $size $size > depth$size.pgm
  pgmtoppm white depth$size.pgm | ppmtobmp -bpp 8 > depth$size.bmp 2>/dev/null
done
make() {
  echo "$1 make --picture depth$2.bmp --depth-by brightness --zmax 255 --pattern-dir patterns --pattern 0" \
    "--method hidden-surface --oversample $3 --force -o -"
}
set -- \
  "pamstereogram 1200=pamstereogram -patfile tile.ppm depth1200.pgm" \
  "hidden 1200, oversampling 1=$(make "$dotscape" 1200 1)" \
  "hidden 1200, oversampling 4=$(make "$dotscape" 1200 4)" \
  "pamstereogram 4000=pamstereogram -patfile tile.ppm depth4000.pgm" \
  "hidden 4000, oversampling 1=$(make "$dotscape" 4000 1)" \
  "hidden 4000, oversampling 4=$(make "$dotscape" 4000 4)"
# OLD_BUILD=<build dir>: that build's makes in the same rounds, each paired
# with the peer and with this build's.
if [ -n "${OLD_BUILD:-}" ]; then
  old=$(cd "$OLD_BUILD/bin" && pwd)/dotscape
  set -- "$@" \
    "old 1200, oversampling 1=$(make "$old" 1200 1)" "old 1200, oversampling 4=$(make "$old" 1200 4)" \
    "old 4000, oversampling 1=$(make "$old" 4000 1)" "old 4000, oversampling 4=$(make "$old" 4000 4)"
fi
set -- "$@" -- "1 0 hidden 1200, oversampling 1" "2 0 hidden 1200, oversampling 4" \
  "4 3 hidden 4000, oversampling 1" "5 3 hidden 4000, oversampling 4"
if [ -n "${OLD_BUILD:-}" ]; then
  set -- "$@" "6 0 old 1200, oversampling 1" "7 0 old 1200, oversampling 4" \
    "8 3 old 4000, oversampling 1" "9 3 old 4000, oversampling 4" \
    "1 6 1200, oversampling 1: new / old" "2 7 1200, oversampling 4: new / old" \
    "4 8 4000, oversampling 1: new / old" "5 9 4000, oversampling 4: new / old"
fi
python3 "$here/alternate.py" --pipe "$runs" 3 "$@"
