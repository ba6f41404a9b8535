#!/bin/sh
# Start-up cost: `dotscape --version` and `dotscape info` of a 4000 x 4000
# BMP against the floor, a C program (startup.c) linking the libraries
# dotscape links, in paired alternating rounds (alternate.py). With a second
# build, its program runs alongside, as the "before" of a change.
#   bench/compare/startup.sh [BUILD_DIR] [ROUNDS] [BEFORE_BUILD_DIR]
set -eu
build=${1:-build}
rounds=${2:-200}
before=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
dotscape=$(cd "$build/bin" && pwd)/dotscape
lib=$(cd "$build/lib" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
uptime
cc -O2 -o startup "$here/startup.c" -Wl,--no-as-needed -L"$lib" -Wl,-rpath,"$lib" \
  -lterrakit -lpictrans -ldotscape_platform -lstdc++ -lm
pgmramp -ellipse 4000 4000 | pgmtoppm white | ppmtobmp -bpp 8 > depth4000.bmp 2>/dev/null
echo "libraries loaded by dotscape --version: $(LD_DEBUG=libs "$dotscape" --version 2>&1 >/dev/null | grep -c 'calling init')," \
  "by the floor: $(LD_DEBUG=libs ./startup 2>&1 >/dev/null | grep -c 'calling init')"
set -- "version=$dotscape --version" "floor=./startup" "info=$dotscape info depth4000.bmp"
pairs="0 1 --version / C floor|2 1 info 4000 BMP / C floor"
if [ -n "$before" ]; then
  old=$(cd "$before/bin" && pwd)/dotscape
  echo "before: $(LD_DEBUG=libs "$old" --version 2>&1 >/dev/null | grep -c 'calling init') libraries loaded by --version"
  set -- "$@" "version (before)=$old --version" "info (before)=$old info depth4000.bmp"
  pairs="$pairs|0 3 --version / before|2 4 info 4000 BMP / before|3 1 --version before / C floor|4 1 info before / C floor"
fi
IFS='|'
# shellcheck disable=SC2086
set -- "$@" -- $pairs
unset IFS
python3 "$here/alternate.py" "$rounds" 10 "$@"
