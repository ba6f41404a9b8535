#!/bin/sh
# Reading large pictures: the time `dotscape info` takes to read and decode a
# 4000 x 4000 24-bit BMP and a 16284 x 16284 24-bit PCX, and the peak
# resident memory of `make` from each, for one build or for two builds side
# by side (for instance before and after a change to how files are read).
# hyperfine runs the commands of both builds in one invocation; GNU time's
# maximum resident set size is the kernel's accounting.
#   bench/compare/file_reading.sh BUILD_DIR [OTHER_BUILD_DIR [RUNS]]
# A build directory holds bin/dotscape and lib/ (its shared libraries).
# The pictures are made by the first build: a hidden-surface stereogram
# saved as BMP, and the same at 16284 x 16284 turned into a 24-bit PCX by
# netpbm (dotscape writes PCX at 8 bits).
set -eu
first=$(cd "$1" && pwd)
second=${2:+$(cd "$2" && pwd)}
runs=${3:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

dotscape() { build=$1; shift; env LD_LIBRARY_PATH="$build/lib" "$build/bin/dotscape" "$@"; }

dotscape "$first" make --figure 3 --width 4000 --height 4000 --method hidden-surface --oversample 4 \
  -o big4000.bmp --force
dotscape "$first" make --figure 3 --width 16284 --height 16284 --method hidden-surface --oversample 4 \
  -o big16284.bmp --force
bmptopnm big16284.bmp 2>/dev/null | ppmtopcx -24bit > big16284.pcx 2>/dev/null
rm big16284.bmp

set --
for build in "$first" $second; do
  set -- "$@" "env LD_LIBRARY_PATH=$build/lib $build/bin/dotscape info big4000.bmp"
done
for build in "$first" $second; do
  set -- "$@" "env LD_LIBRARY_PATH=$build/lib $build/bin/dotscape info big16284.pcx"
done
hyperfine -N -w 1 -r "$runs" "$@"

for build in "$first" $second; do
  for f in big4000.bmp big16284.pcx; do
    env LD_LIBRARY_PATH="$build/lib" /usr/bin/time -f "$build: make --picture $f: peak RSS %M KB, %e s" \
      "$build/bin/dotscape" make --picture "$f" --depth-by brightness -o out.bmp --force
  done
done
