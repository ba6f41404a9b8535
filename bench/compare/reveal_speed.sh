#!/bin/sh
# Whole-process speed of dotscape reveal on 1200 x 1200 stereograms (the
# figure library's figure 1 by McMahon and by Feucht), one build against
# another, the two commands alternating in one hyperfine run.
#   bench/compare/reveal_speed.sh NEW_BUILD_DIR [OLD_BUILD_DIR]
# Needs hyperfine. Without OLD_BUILD_DIR only NEW is timed.
set -eu
new=$(cd "${1:-build}/bin" && pwd)/dotscape
old=${2:+$(cd "$2/bin" && pwd)/dotscape}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for method in mcmahon feucht; do
  "$new" make --figure 1 --width 1200 --height 1200 --method "$method" -o "$method.bmp" --force >/dev/null 2>&1
  if [ -n "$old" ]; then
    hyperfine -N -w 2 -r "${RUNS:-10}" -n "new $method" "$new reveal $method.bmp -o new.bmp -f" \
      -n "old $method" "$old reveal $method.bmp -o old.bmp -f"
  else
    hyperfine -N -w 2 -r "${RUNS:-10}" -n "$method" "$new reveal $method.bmp -o new.bmp -f"
  fi
done
