#!/bin/sh
# Whole-process speed of dotscape reveal on 1200 x 1200 stereograms (the
# figure library's figure 1 by McMahon and by Feucht, and with netpbm
# pamstereogram's colour and black-and-white dots), one build against
# another, the commands alternating round by round (alternate.py).
#   bench/compare/reveal_speed.sh NEW_BUILD_DIR [OLD_BUILD_DIR]
# Without OLD_BUILD_DIR only NEW is timed. RUNS sets the rounds (10).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
new=$(cd "${1:-build}/bin" && pwd)/dotscape
old=${2:+$(cd "$2/bin" && pwd)/dotscape}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
set --
pairs=""
i=0
for method in mcmahon feucht; do
  "$new" make --figure 1 --width 1200 --height 1200 --method "$method" -o "$method.bmp" --force >/dev/null 2>&1
done
cases="mcmahon feucht"
# With netpbm: pamstereogram's colour and black-and-white dots over an
# elliptic ramp, at the same size.
if command -v pamstereogram >/dev/null; then
  pgmramp -ellipse 1200 1200 > ramp.pgm
  pamstereogram -color ramp.pgm 2>/dev/null | pamtopnm > pam-colour.ppm
  pamstereogram -blackandwhite ramp.pgm 2>/dev/null | pamtopnm > pam-bw.pbm
  cases="$cases pam-colour pam-bw"
fi
for method in $cases; do
  file=$(ls "$method".*)
  set -- "$@" "new $method=$new reveal $file -o new.bmp -f"
  if [ -n "$old" ]; then
    set -- "$@" "old $method=$old reveal $file -o old.bmp -f"
    pairs="$pairs $i:$method"
    i=$((i + 2))
  else
    i=$((i + 1))
  fi
done
set -- "$@" --
for pair in $pairs; do
  a=${pair%%:*}
  set -- "$@" "$a $((a + 1)) ${pair#*:}, new / old"
done
python3 "$here/alternate.py" "${RUNS:-10}" 2 "$@"
