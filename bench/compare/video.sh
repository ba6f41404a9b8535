#!/bin/sh
# 120 frames of 1280 x 720 with the hidden-surface method at oversampling 4
# written as MP4, paired with the same frames written as a GIF (whose writer
# costs little next to making the frames): the MP4 run's total, and the
# encoder's share as the difference between the two.
# Usage: bench/compare/video.sh [BUILD_DIR]
set -e
build=${1:-build}
bin="$build/bin/dotscape"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
common="--figure 14 --width 1280 --height 720 --method hidden-surface --oversample 4 --random-dots colour --frames 120 --da-step 3 -f"
uptime
hyperfine --runs 1 --export-json "$out/times.json" \
  "$bin make $common -o $out/a.mp4" \
  "$bin make $common -o $out/a.gif"
python3 - "$out/times.json" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
mp4, gif = r[0]["mean"], r[1]["mean"]
print(f"MP4 total {mp4:.2f} s; frames with a GIF writer {gif:.2f} s; "
      f"encoding share at most {max(mp4 - gif, 0) / mp4:.0%} of the MP4 run (the GIF writer's own time counted as generation)")
PY
