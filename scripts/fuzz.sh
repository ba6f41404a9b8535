#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for SECONDS seconds
# (default 30) on a corpus seeded from the test files. Exits non-zero when a
# target finds a crash, a leak or undefined behaviour; the input that did it
# is kept in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_read_bmp fuzz_read_gif fuzz_read_pcx fuzz_lzw fuzz_pcx_decoder fuzz_bmp_decoder fuzz_rds fuzz_ini"}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOTSCAPE_FUZZ=ON -DDOTSCAPE_WERROR=OFF \
  -DDOTSCAPE_BUILD_GUI=OFF -DDOTSCAPE_BUILD_TESTS=OFF -DDOTSCAPE_BUILD_BENCH=OFF >/dev/null
cmake --build $build --target $targets
images=../shared/testdata/images
seed() { # target, then seed folders
  dir=$build/corpus/$1
  shift
  mkdir -p "$dir"
  for folder in "$@"; do
    [ -d "$folder" ] && find "$folder" -type f -size -1000k ! -name '*.txt' ! -name '*.md' -exec cp {} "$dir/" \; 2>/dev/null
  done
  return 0
}
seed fuzz_read_bmp tests/data/bmp $images/bmp/good $images/bmp/bad
seed fuzz_read_gif tests/data/gif $images/gif/good $images/gif/bad
seed fuzz_read_pcx tests/data/pcx $images/pcx/good $images/pcx/bad
seed fuzz_lzw tests/data/lzw
seed fuzz_pcx_decoder tests/data/pcx $images/pcx/good
seed fuzz_bmp_decoder tests/data/bmp
seed fuzz_rds tests/data/rds
seed fuzz_ini tests/data/ini
mkdir -p $build/findings
status=0
export TMPDIR=${TMPDIR:-/dev/shm}
for t in $targets; do
  echo "== $t: $seconds s"
  mkdir -p $build/corpus/$t
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      $build/bin/$t -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1536 -timeout=10 \
      -artifact_prefix=$build/findings/$t- -print_final_stats=1 $build/corpus/$t 2>$build/$t.log; then
    echo "$t FAILED; see $build/$t.log and $build/findings/"
    tail -40 $build/$t.log
    status=1
  else
    grep -E 'stat::number_of_executed_units|cov:' $build/$t.log | tail -2
  fi
done
exit $status
