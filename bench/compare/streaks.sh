#!/bin/sh
# Streaks: the longest horizontal run of identical pixels in random-dot
# stereograms of each scan method, against the longest run of the dots
# themselves (a stereogram of a flat scene, where every pixel is a fresh dot
# or an exact copy of one a full separation away), for each depth scene of
# reveal_scenes.py, colour and black-and-white dots.
#   bench/compare/streaks.sh [BUILD_DIR] [SCENE ...]
# Needs python3-numpy and python3-pil.
set -eu
build=${1:-build}
[ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
dotscape=$(cd "$build/bin" && pwd)/dotscape
py="/usr/bin/python3 $here/reveal_scenes.py"
scenes=${*:-disc discs stairs hill sine}
w=${REVEAL_WIDTH:-600}
h=${REVEAL_HEIGHT:-400}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
/usr/bin/python3 -c "from PIL import Image; Image.new('L', ($w, $h)).save('flat.png')"
printf '%-12s %-18s %-7s %s\n' scene method dots "longest run (flat scene)"
for s in $scenes; do
  $py scene "$s" "$w" "$h" "$s.pgm"
  pnmtopng "$s.pgm" > "$s.png"
  for method in left-to-right mcmahon feucht hidden-surface; do
    for dots in colour bw; do
      for scene in "$s" flat; do
        "$dotscape" make --picture "$scene.png" --depth-by brightness --method "$method" --zmin 0 --zmax 255 \
          --random-dots "$dots" --seed 5 --no-markers -o "$scene.bmp" --force >/dev/null 2>&1
      done
      printf '%-12s %-18s %-7s %s (%s)\n' "$s" "$method" "$dots" "$($py run "$s.bmp")" "$($py run flat.bmp)"
    done
  done
done
