#!/bin/sh
# Memory of a long animation: 1,000 frames of 1280 x 720 from a depth video
# (made by ffmpeg) written as MP4. Frames are encoded as they are made, so
# the peak resident memory (the kernel's accounting, through GNU time) must
# stay under 300 MiB whatever the frame count; the same for 100 frames shows
# that it does not grow with the count. Exits 1 when the limit is passed.
#   bench/compare/video_memory.sh [BUILD_DIR]
set -eu
build=${1:-build}
dotscape=$(cd "$build/bin" && pwd)/dotscape
limit_kb=$((300 * 1024))
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
uptime
ffmpeg -v error -f lavfi -i "gradients=size=1280x720:rate=25:speed=0.05,format=gray" -frames:v 1000 \
  -c:v libx264 -preset ultrafast -pix_fmt gray depth.mkv
status=0
for duration in 4 40; do
  /usr/bin/time -f "%M %e" -o usage "$dotscape" make --video depth.mkv --duration $duration -o out.mp4 --force
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of default=nw=1:nk=1 out.mp4)
  read -r rss seconds < usage
  echo "$frames frames of 1280 x 720 to MP4: peak RSS $((rss / 1024)) MiB, $seconds s"
  [ "$rss" -lt "$limit_kb" ] || { echo "over the limit of $((limit_kb / 1024)) MiB"; status=1; }
done
exit $status
