#!/bin/sh
# 120 frames of 1280 x 720 with the hidden-surface method at oversampling 4
# written as MP4: the run's wall time (target: under 20 s), and the share of
# its work that is encoding. Frames are made on one thread while the encoder
# runs on others, so the share is counted in CPU time where it is spent: a
# CPU profile of the run (perf), every sample in FFmpeg's and the codec's
# libraries, the video module, and the program's own conversion of frames
# to the encoder's colours counted as encoding (target: at most a third).
# Usage: bench/compare/video.sh [BUILD_DIR]
set -eu
build=${1:-build}
bin=$(cd "$build/bin" && pwd)/dotscape
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
common="--figure 14 --width 1280 --height 720 --method hidden-surface --oversample 4 --random-dots colour --frames 120 --da-step 3 -f"
uptime
# shellcheck disable=SC2086
hyperfine --runs 3 --export-json "$out/times.json" "$bin make $common -o $out/a.mp4"
# shellcheck disable=SC2086
perf record -q -F 499 -o "$out/perf.data" -- "$bin" make $common -o "$out/b.mp4" >/dev/null 2>&1
perf report -i "$out/perf.data" --stdio --no-children --sort dso,sym 2>/dev/null |
  python3 -c '
import json, re, sys
encoding = re.compile(r"libx264|libvpx|libav|libsw|libdotscape_video|bgrToYuv420|VideoWriter")
total = share = 0.0
for line in sys.stdin:
    m = re.match(r"\s*([0-9.]+)%\s+(\S+)\s+\[.\]\s+(.*)", line)
    if not m:
        continue
    pct = float(m.group(1))
    total += pct
    if encoding.search(m.group(2)) or encoding.search(m.group(3)):
        share += pct
r = json.load(open(sys.argv[1]))["results"][0]
wall, cpu = r["median"], r["user"] + r["system"]
print(f"MP4 total {wall:.2f} s (median of 3 runs, user+system {cpu:.2f} s); "
      f"encoding {share / total:.0%} of the CPU samples ({total:.0f}% profiled)")
' "$out/times.json"
