#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS seconds
# (default 30) on a corpus seeded from the test files, JOBS targets at a time
# (default 2). Exits non-zero when a target finds a crash, a leak, a hang or
# undefined behaviour; the input that did it is kept in BUILD/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Environment: FUZZ_BUILD (build folder, default build-fuzz), FUZZ_JOBS.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_read_bmp fuzz_read_gif fuzz_read_pcx fuzz_read_png fuzz_read_jpeg fuzz_read_pnm fuzz_read_webp fuzz_read_tiff fuzz_lzw fuzz_pcx_decoder fuzz_bmp_decoder fuzz_rds fuzz_ini fuzz_triangle_stream"}
build=${FUZZ_BUILD:-build-fuzz}
jobs=${FUZZ_JOBS:-2}
# A build folder configured with the fuzz targets already (the sanitizer
# build of continuous integration is one) is used as it is.
if ! grep -qs '^DOTSCAPE_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOTSCAPE_FUZZ=ON \
    -DDOTSCAPE_BUILD_GUI=OFF -DDOTSCAPE_BUILD_TESTS=OFF -DDOTSCAPE_BUILD_BENCH=OFF >/dev/null
fi
# shellcheck disable=SC2086
cmake --build "$build" --target $targets
images=../shared/testdata/images
seed() { # target, then seed folders (searched recursively, malformed files included)
  dir=$build/corpus/$1
  shift
  mkdir -p "$dir"
  for folder in "$@"; do
    [ -d "$folder" ] && find "$folder" -type f -size -1000k ! -name '*.txt' ! -name '*.md' ! -name '*.tsv' ! -name '*.py' \
      -exec cp {} "$dir/" \; 2>/dev/null
  done
  return 0
}
seed fuzz_read_bmp tests/data/bmp $images/bmp/good $images/bmp/bad
seed fuzz_read_gif tests/data/gif $images/gif/good $images/gif/bad
seed fuzz_read_pcx tests/data/pcx $images/pcx/good $images/pcx/bad
seed fuzz_read_png tests/data/png
seed fuzz_read_jpeg tests/data/jpeg
seed fuzz_read_pnm tests/data/pnm
seed fuzz_read_webp tests/data/webp fuzz/seeds/webp
seed fuzz_read_tiff tests/data/tiff
seed fuzz_lzw fuzz/seeds/lzw
seed fuzz_pcx_decoder tests/data/pcx $images/pcx/good
seed fuzz_bmp_decoder tests/data/bmp
seed fuzz_rds tests/data/rds
seed fuzz_ini fuzz/seeds/ini
seed fuzz_triangle_stream fuzz/seeds/trianglestream
mkdir -p "$build/findings"
# Scratch files of the file-path targets go to memory when there is room.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

run() { # target; writes BUILD/TARGET.log and BUILD/TARGET.status
  t=$1
  mkdir -p "$build/corpus/$t"
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      "$build/bin/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1536 -timeout=10 \
      -artifact_prefix="$build/findings/$t-" -print_final_stats=1 "$build/corpus/$t" >"$build/$t.log" 2>&1; then
    echo 0 >"$build/$t.status"
  else
    echo 1 >"$build/$t.status"
  fi
}

status=0
report() {
  for t in "$@"; do
    if [ "$(cat "$build/$t.status")" = 0 ]; then
      printf '== %s: %s s, ' "$t" "$seconds"
      grep -E 'stat::number_of_executed_units' "$build/$t.log" | awk '{printf "%s runs, ", $2}'
      grep -E 'stat::average_exec_per_sec' "$build/$t.log" | awk '{printf "%s per second\n", $2}'
    else
      echo "== $t FAILED; see $build/$t.log and $build/findings/"
      tail -40 "$build/$t.log"
      status=1
    fi
  done
}

batch=""
count=0
for t in $targets; do
  run "$t" &
  batch="$batch $t"
  count=$((count + 1))
  if [ "$count" -ge "$jobs" ]; then
    wait
    # shellcheck disable=SC2086
    report $batch
    batch=""
    count=0
  fi
done
wait
# shellcheck disable=SC2086
[ -n "$batch" ] && report $batch
exit $status
