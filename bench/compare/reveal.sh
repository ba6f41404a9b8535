#!/bin/sh
# How well dotscape reveal reads stereograms back: Pearson's correlation of
# the revealed grey picture with the depth picture each stereogram was made
# from, for dotscape make's four scan methods (a picture source, depth by
# brightness; hidden-surface:K oversampled K times) and for netpbm's
# pamstereogram (colour, grey and black and white), plus the time of a 1200 x 1200 reveal (apt-get install netpbm).
#   bench/compare/reveal.sh [BUILD_DIR]
set -eu
build=${1:-build}
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Pearson's r of two grey pictures of one size, over every pixel.
pearson() {
  pnmtoplainpnm "$1" | tr -s ' \n' '\n\n' | tail -n +5 > a.txt
  pnmtoplainpnm "$2" | tr -s ' \n' '\n\n' | tail -n +5 > b.txt
  paste a.txt b.txt | awk 'NF == 2 { n++; sa += $1; sb += $2; saa += $1 * $1; sbb += $2 * $2; sab += $1 * $2 }
    END { c = sab - sa * sb / n; printf "%.4f\n", c / sqrt((saa - sa * sa / n) * (sbb - sb * sb / n)) }'
}
grey() { anytopnm "$1" 2>/dev/null | ppmtopgm; }

# Depth pictures: a ramp with a raised disc, and a hill, a box and a slope.
pgmramp -ellipse 600 400 > ellipse.pgm
cat > scene.awk <<'AWK'
BEGIN { w = 600; h = 400; print "P2", w, h, 255
  for (y = 0; y < h; y++) for (x = 0; x < w; x++) {
    dx = x - w * 0.35; dy = y - h * 0.5; r = sqrt(dx * dx + dy * dy) / (h * 0.3); v = 0
    if (r < 1) v = int(127.5 * (1 + cos(3.14159265 * r)))
    else if (x > w * 0.65 && x < w * 0.9 && y > h * 0.2 && y < h * 0.45) v = 160
    else if (x > w * 0.6 && y > h * 0.6) v = int((x - w * 0.6) * 120 / (w * 0.4))
    print v } }
AWK
awk -f scene.awk | pnmtopnm > scene.pgm 2>/dev/null || awk -f scene.awk > scene.pgm

for depth in ellipse scene; do
  pgmtoppm white "$depth.pgm" | ppmtobmp -bpp 8 > "$depth.bmp" 2>/dev/null
  for method in left-to-right mcmahon feucht hidden-surface:1 hidden-surface:4; do
    zmax=255
    [ "$method" = left-to-right ] && zmax=1020
    oversample=${method#*:}
    [ "$oversample" = "$method" ] && oversample=1
    "$dotscape" make --picture "$depth.bmp" --depth-by brightness --method "${method%:*}" --zmin 0 --zmax $zmax \
      --oversample "$oversample" --no-markers -o "s.bmp" --force 2>/dev/null
    "$dotscape" reveal s.bmp -o r.bmp --force 2>/dev/null
    echo "$depth dotscape $method: $(grey r.bmp > r.pgm; pearson r.pgm "$depth.pgm")"
  done
  for colour in -color -grayscale -blackandwhite; do
    pamstereogram $colour "$depth.pgm" 2>/dev/null | pamtopnm | ppmtobmp > s.bmp 2>/dev/null
    "$dotscape" reveal s.bmp -o r.bmp --force 2>/dev/null
    echo "$depth pamstereogram $colour: $(grey r.bmp > r.pgm; pearson r.pgm "$depth.pgm")"
  done
done

"$dotscape" make --figure 1 --width 1200 --height 1200 -o big.bmp --force 2>/dev/null
for i in 1 2 3; do
  /usr/bin/time -f "1200 x 1200 reveal: %e s (%U s user)" "$dotscape" reveal big.bmp -o r.bmp --force
done
