#!/bin/sh
# Every case of the depth revealer, as a table: each depth scene of
# reveal_scenes.py made into a stereogram by dotscape make (each method),
# by netpbm's pamstereogram (colour, grey, black and white, a pattern) and by
# Debian's OpenStereogram (dots, a texture), both also over netpbm's
# camouflage pattern of flat patches, read back by dotscape reveal,
# and Pearson's r of the revealed grey picture with the scene, pixel by pixel.
#   bench/compare/reveal_cases.sh [BUILD_DIR] [SCENE ...]
# With OLD_BUILD set to another build folder, each stereogram is read by
# both builds and the row gives both figures (the other makers seed their
# dots from the clock, so only this pairs old and new on the same picture).
# Needs netpbm, python3-numpy, python3-pil; OpenStereogram rows need
# openstereogram and a Java runtime.
. "$(dirname "$0")/reveal_common.sh"
[ $# -gt 0 ] && shift
scenes=${*:-$($py names)}
w=${REVEAL_WIDTH:-600}
h=${REVEAL_HEIGHT:-400}
cd "$work"
jar=/usr/share/openstereogram/OpenStereogram.jar
# A pattern for the pattern-based rows: the program's own first pattern.
pat=$(ls "$(dirname "$dotscape")"/sirdspat/pat0*.gif 2>/dev/null | head -n 1)
giftopnm "$pat" 2>/dev/null | pnmtopng > tex.png
giftopnm "$pat" 2>/dev/null > tex.ppm
# And a pattern of flat patches: netpbm's camouflage, the same every run.
ppmpat -camo -randomseed=1 128 128 2>/dev/null | pnmquant 256 2>/dev/null > camo.ppm
pnmtopng camo.ppm > camo.png
ostereo=false
if [ -f "$jar" ] && command -v javac >/dev/null && javac -cp "$jar" -d . "$here/OpenStereogramRun.java" 2>/dev/null; then
  ostereo=true
fi

reveal() { # stereogram, scene → r (old r, new r with OLD_BUILD)
  if [ -n "$old" ]; then
    echo "$(read_with "$old" "$1" "$2.pgm") $(read_with "$dotscape" "$1" "$2.pgm")"
  else
    read_with "$dotscape" "$1" "$2.pgm"
  fi
}

printf '%-12s %-28s %s\n' scene maker r
for s in $scenes; do
  $py scene "$s" "$w" "$h" "$s.pgm"
  pnmtopng "$s.pgm" > "$s.png"
  for method in left-to-right mcmahon feucht hidden-surface:1 hidden-surface:4; do
    zmax=255
    [ "$method" = left-to-right ] && zmax=1020
    k=${method#*:}
    [ "$k" = "$method" ] && k=1
    "$dotscape" make --picture "$s.png" --depth-by brightness --method "${method%:*}" --zmin 0 --zmax $zmax \
      --oversample "$k" --no-markers -o s.bmp --force >/dev/null 2>&1
    printf '%-12s %-28s %s\n' "$s" "dotscape $method" "$(reveal s.bmp "$s")"
  done
  for colour in -color -grayscale -blackandwhite; do
    pamstereogram $colour "$s.pgm" 2>/dev/null | pamtopnm | pnmtopng > s.png 2>/dev/null
    printf '%-12s %-28s %s\n' "$s" "pamstereogram $colour" "$(reveal s.png "$s")"
  done
  pamstereogram -patfile tex.ppm "$s.pgm" 2>/dev/null | pamtopnm | pnmtopng > s.png 2>/dev/null
  printf '%-12s %-28s %s\n' "$s" "pamstereogram -patfile" "$(reveal s.png "$s")"
  pamstereogram -patfile camo.ppm "$s.pgm" 2>/dev/null | pamtopnm | pnmtopng > s.png 2>/dev/null
  printf '%-12s %-28s %s\n' "$s" "pamstereogram -patfile camo" "$(reveal s.png "$s")"
  if $ostereo; then
    java -Djava.awt.headless=true -cp "$jar:." OpenStereogramRun "$s.png" s.png 2>/dev/null
    printf '%-12s %-28s %s\n' "$s" "OpenStereogram dots" "$(reveal s.png "$s")"
    java -Djava.awt.headless=true -cp "$jar:." OpenStereogramRun "$s.png" s.png tex.png 2>/dev/null
    printf '%-12s %-28s %s\n' "$s" "OpenStereogram texture" "$(reveal s.png "$s")"
    java -Djava.awt.headless=true -cp "$jar:." OpenStereogramRun "$s.png" s.png camo.png 2>/dev/null
    printf '%-12s %-28s %s\n' "$s" "OpenStereogram camo" "$(reveal s.png "$s")"
  fi
done
