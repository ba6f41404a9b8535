#!/bin/sh
# Whole-process comparison of `dotscape make --method hidden-surface` with
# netpbm's pamstereogram (whose symmetric links are of the same kind) on the
# same depth pictures and 128-pixel tile, at 1200 x 1200 and 4000 x 4000:
# oversampling 1 (an 8-bit stereogram) and 4 (true colour), both programs
# writing their uncompressed picture to a pipe, in one hyperfine run; for
# each pair the median wall times, their ratio and the ratio of mean CPU
# times (the steadier measure on a shared machine).
#   bench/compare/hidden_surface.sh [BUILD_DIR] [RUNS]
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
  echo "$dotscape make --picture depth$1.bmp --depth-by brightness --zmax 255 --pattern-dir patterns --pattern 0" \
    "--method hidden-surface --oversample $2 --force -o -"
}
hyperfine -N --output=pipe -w 3 -r "$runs" --export-json times.json \
  "pamstereogram -patfile tile.ppm depth1200.pgm" \
  "$(make 1200 1)" \
  "$(make 1200 4)" \
  "pamstereogram -patfile tile.ppm depth4000.pgm" \
  "$(make 4000 1)" \
  "$(make 4000 4)"
python3 "$here/medians.py" times.json \
  "1 0 hidden 1200, oversampling 1" "2 0 hidden 1200, oversampling 4" \
  "4 3 hidden 4000, oversampling 1" "5 3 hidden 4000, oversampling 4"
