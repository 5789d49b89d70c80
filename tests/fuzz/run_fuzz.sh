#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) and runs
# each for a bounded time. Exits non-zero when a target crashes, leaks or fails a
# check; the input that did it is left in the build directory as crash-* / leak-*.
#
#   tests/fuzz/run_fuzz.sh                 every tests/fuzz/*_fuzz.cpp target
#   tests/fuzz/run_fuzz.sh formula_fuzz    only the named targets
#
# Environment: FUZZ_SECONDS (per target, default 60), FUZZ_BUILD_DIR (default
# build-fuzz in the source tree), FUZZ_MAX_LEN (longest input, default 8192),
# CXX (default clang++).
set -eu

src=$(cd "$(dirname "$0")/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$src/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
max_len=${FUZZ_MAX_LEN:-8192}

# The library itself is built with coverage and sanitizer instrumentation too:
# without it the fuzzer would be blind inside the code it is meant to explore and
# AddressSanitizer would not see its accesses.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"
CXX=${CXX:-clang++} cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DTABLIREX_BUILD_FUZZ=ON -DTABLIREX_BUILD_TESTS=OFF -DTABLIREX_BUILD_TOOL=OFF \
  -DTABLIREX_BUILD_BENCH=OFF -DTABLIREX_BUILD_EXAMPLES=OFF >/dev/null

if [ "$#" -gt 0 ]; then
  targets="$*"
else
  targets=$(for f in "$src"/tests/fuzz/*_fuzz.cpp; do basename "$f" .cpp; done)
fi
cmake --build "$build" --target $targets

status=0
for t in $targets; do
  # Seeds stay untouched in the source tree; new inputs go to a working corpus.
  work="$build/corpus/$t"
  mkdir -p "$work"
  seeds="$src/tests/fuzz/${t%_fuzz}_corpus"
  [ -d "$seeds" ] || seeds=
  dict="$src/tests/fuzz/${t%_fuzz}.dict"
  [ -f "$dict" ] && dict="-dict=$dict" || dict=
  echo "== $t: $seconds s"
  if ! (cd "$build" && ASAN_OPTIONS=detect_leaks=1 "./$t" -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 $dict "$work" $seeds); then
    echo "== $t FAILED"
    status=1
  fi
done
exit $status
