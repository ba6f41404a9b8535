#!/bin/sh
# Whole-process comparison of `dotscape make --method hidden-surface` with
# netpbm's pamstereogram (whose symmetric links are of the same kind) on the
# same 1200 x 1200 depth picture and 128-pixel tile: oversampling 1 (an
# 8-bit picture) and 4 (true colour), in one hyperfine run.
#   bench/compare/hidden_surface.sh [BUILD_DIR] [RUNS]
# Wall times follow the machine's load; the user and system times hyperfine
# reports are the steadier measure on a shared machine.
set -eu
build=${1:-build}
runs=${2:-30}
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
ppmpat -camo 128 128 > camo.ppm 2>/dev/null || ppmpat -g2 128 128 > camo.ppm
pnmquant 256 camo.ppm > tile.ppm 2>/dev/null
mkdir patterns
ppmtogif tile.ppm > patterns/pat00.gif 2>/dev/null
pgmramp -ellipse 1200 1200 > depth.pgm
pgmtoppm white depth.pgm | ppmtobmp -bpp 8 > depth.bmp 2>/dev/null
make="$dotscape make --picture depth.bmp --depth-by brightness --zmax 255 --pattern-dir patterns --pattern 0"
make="$make --method hidden-surface --force"
hyperfine -N --output=pipe -w 3 -r "$runs" \
  "pamstereogram -patfile tile.ppm depth.pgm" \
  "$make --oversample 1 -o k1.bmp" \
  "$make --oversample 4 -o k4.bmp"
