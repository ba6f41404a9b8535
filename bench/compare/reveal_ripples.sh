#!/bin/sh
# Ripples at every slant: sines of 5 to 10 waves across the width, running at
# 50 to 130 degrees (90: ridges along the rows, the depth changing down the
# picture only), at 600 x 400 and 800 x 600, made into stereograms by netpbm's
# pamstereogram (colour and black-and-white dots, -randomseed 7) and Debian's
# OpenStereogram (dots), read back by dotscape reveal; Pearson's r of each,
# then how many of each maker read 0.95 or better.
#   bench/compare/reveal_ripples.sh [BUILD_DIR]
# With OLD_BUILD set to another build folder, each stereogram is read by both
# builds (OpenStereogram seeds its dots from the clock: only this pairs them).
# Needs netpbm, python3-numpy, python3-pil; the OpenStereogram rows need
# openstereogram and a Java runtime.
. "$(dirname "$0")/reveal_common.sh"
cd "$work"
jar=/usr/share/openstereogram/OpenStereogram.jar
ostereo=false
if [ -f "$jar" ] && command -v javac >/dev/null && javac -cp "$jar" -d . "$here/OpenStereogramRun.java" 2>/dev/null; then
  ostereo=true
fi
for size in 600x400 800x600; do
  for k in 5 6 7 8 9 10; do
    for a in 50 60 70 80 90 100 110 120 130; do
      s=ripple-$k-$a
      $py scene "$s" "${size%x*}" "${size#*x}" d.pgm
      pnmtopng d.pgm > d.png
      for maker in -color -blackandwhite dots; do
        if [ $maker = dots ]; then
          $ostereo || continue
          java -Djava.awt.headless=true -cp "$jar:." OpenStereogramRun d.png s.png 2>/dev/null
          name="OpenStereogram dots"
        else
          pamstereogram -randomseed 7 $maker d.pgm 2>/dev/null | pamtopnm | pnmtopng > s.png 2>/dev/null
          name="pamstereogram $maker"
        fi
        figure=$(read_with "$dotscape" s.png d.pgm)
        [ -n "$old" ] && figure="$(read_with "$old" s.png d.pgm) $figure"
        printf '%-8s %-16s %-28s %s\n' "$size" "$s" "$name" "$figure"
      done
    done
  done
done | tee cases.txt
# How many read 0.95 or better, each maker (the last two figures with OLD_BUILD).
awk '{ m = $3 " " $4; t[m]++; if ($NF != "refused" && $NF >= 0.95) n[m]++;
       if (NF == 6 && $(NF-1) != "refused" && $(NF-1) >= 0.95) o[m]++ }
     END { for (m in t) printf "%-28s %s%d of %d read 0.95 or better\n", m, (length(o) ? o[m] + 0 " before, " : ""), n[m], t[m] }' cases.txt
