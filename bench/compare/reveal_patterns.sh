#!/bin/sh
# Pattern stereograms of every scene: each depth scene of reveal_scenes.py
# made into a stereogram by netpbm's pamstereogram over four patterns (the
# program's first pattern, 100 pixels square, and the same magnified to 150;
# netpbm's squiggles, 160 square, and poles, 140 square, the same every run),
# read back by dotscape reveal; Pearson's r of each, then how many of each
# pattern read 0.95 or better.
#   bench/compare/reveal_patterns.sh [BUILD_DIR]
# With OLD_BUILD set to another build folder, each stereogram is read by both
# builds and the row gives both figures.
# Needs netpbm, python3-numpy, python3-pil.
. "$(dirname "$0")/reveal_common.sh"
w=${REVEAL_WIDTH:-600}
h=${REVEAL_HEIGHT:-400}
cd "$work"
pat=$(ls "$(dirname "$dotscape")"/sirdspat/pat0*.gif | head -n 1)
giftopnm "$pat" 2>/dev/null > tile.ppm
pamscale 1.5 tile.ppm > tile150.ppm 2>/dev/null
ppmpat -squig -randomseed=3 160 160 > squig.ppm 2>/dev/null
ppmpat -poles -randomseed=3 140 140 > poles.ppm 2>/dev/null
for s in $($py names); do
  $py scene "$s" "$w" "$h" d.pgm
  for p in tile tile150 squig poles; do
    pamstereogram -patfile $p.ppm d.pgm 2>/dev/null | pamtopnm | pnmtopng > s.png 2>/dev/null
    figure=$(read_with "$dotscape" s.png d.pgm)
    [ -n "$old" ] && figure="$(read_with "$old" s.png d.pgm) $figure"
    printf '%-14s %-8s %s\n' "$s" "$p" "$figure"
  done
done | tee cases.txt
awk '{ t[$2]++; if ($NF != "refused" && $NF >= 0.95) n[$2]++;
       if (NF == 4 && $(NF-1) != "refused" && $(NF-1) >= 0.95) o[$2]++ }
     END { for (m in t) printf "%-8s %s%d of %d read 0.95 or better\n", m, (length(o) ? o[m] + 0 " before, " : ""), n[m], t[m] }' cases.txt
