# Sourced by reveal_cases.sh, reveal_ripples.sh and reveal_patterns.sh: the
# build to read with (the first argument, or build), an old one to pair it
# with (OLD_BUILD), the scenes' helper, a work folder that goes when the
# script ends, and read_with.
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
dotscape=$(cd "$build/bin" && pwd)/dotscape
old=${OLD_BUILD:+$(cd "$OLD_BUILD/bin" && pwd)/dotscape}
py="/usr/bin/python3 $here/reveal_scenes.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
read_with() { # program, stereogram, depth → r
  if "$1" reveal "$2" -o r.png --force >/dev/null 2>&1; then $py pearson r.png "$3"; else echo refused; fi
}
