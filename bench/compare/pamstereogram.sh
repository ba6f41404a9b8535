#!/bin/sh
# Times a 1200 x 1200 picture-source stereogram written as BMP against
# netpbm's pamstereogram on the same depth picture with a 128-pixel tile,
# in one run with hyperfine (apt-get install netpbm hyperfine).
#   bench/compare/pamstereogram.sh [BUILD_DIR]
set -eu
build=${1:-build}
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# A depth picture: a ramp with a raised disc, 256 grey levels.
pgmramp -ellipse 1200 1200 > depth.pgm
pgmtoppm white depth.pgm | ppmtobmp -bpp 8 > depth.bmp 2>/dev/null
# A 128 x 128 tile of 256 colours for both programs.
ppmpat -g2 128 128 2>/dev/null > tile-rgb.ppm || ppmpat -gingham2 128 128 > tile-rgb.ppm
pnmnoise() { pgmnoise 128 128 | pgmtoppm "$1"; }
pgmnoise 128 128 > noise.pgm
ppmpat -camo 128 128 > camo.ppm 2>/dev/null || cp tile-rgb.ppm camo.ppm
pnmquant 256 camo.ppm > tile.ppm 2>/dev/null
mkdir patterns
ppmtogif tile.ppm > patterns/pat00.gif 2>/dev/null
"$dotscape" make --picture depth.bmp --pattern-dir patterns --pattern 0 -o check.bmp --force
pamstereogram -patfile tile.ppm depth.pgm > check.pam
# No shell in between: pamstereogram writes its picture to a pipe, dotscape
# writes its BMP file.
# The hidden-surface method, whose links are pamstereogram's kind, at one
# sub-pixel (8-bit output) and at four (true colour).
hidden="--method hidden-surface --zmax 255 --depth-by brightness"
hyperfine -N --output=pipe -w 3 -r 30 \
  "pamstereogram -patfile tile.ppm depth.pgm" \
  "$dotscape make --picture depth.bmp --pattern-dir patterns --pattern 0 -o out.bmp --force" \
  "$dotscape make --picture depth.bmp --pattern-dir patterns --pattern 0 $hidden --oversample 1 -o k1.bmp --force" \
  "$dotscape make --picture depth.bmp --pattern-dir patterns --pattern 0 $hidden --oversample 4 -o k4.bmp --force"
