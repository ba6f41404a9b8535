#!/bin/sh
# Times the whole program making a 36-frame 400 x 400 animated GIF of a
# turning math figure (10 degrees a frame), with hyperfine
# (apt-get install hyperfine). The target is under 2 s.
#   bench/compare/animation.sh [BUILD_DIR]
set -eu
build=${1:-build}
dotscape=$(cd "$build/bin" && pwd)/dotscape
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir config
export XDG_CONFIG_HOME="$work/config"
for figure in 'Wind Mill 1' 'Sinusoidal Crater' 'Spiral Lanes 4'; do
  hyperfine -N -w 2 -r 20 \
    "$dotscape make --figure '$figure' --width 400 --height 400 --frames 36 --da-step 10 -o turn.gif --force"
done
