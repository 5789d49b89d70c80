#!/usr/bin/env bash
# Builds everything and runs every test: a release build with g++ (warnings are
# errors) with the unit, interop and LibreOffice tests; a clang++ build under
# AddressSanitizer and UndefinedBehaviorSanitizer with the unit and interop tests;
# and a bounded fuzzing run of the formula compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

JOBS=${JOBS:-$(nproc)}

echo "== release build (g++)"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ \
  -DTABLIREX_WERROR=ON >/dev/null
cmake --build build/release -j "$JOBS"
(cd build/release && ctest --output-on-failure -j "$JOBS")

echo "== sanitizer build (clang++, ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DTABLIREX_WERROR=ON -DTABLIREX_SANITIZE=ON -DTABLIREX_BUILD_BENCH=OFF >/dev/null
cmake --build build/asan -j "$JOBS"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$JOBS" -LE libreoffice)

if [ -x tests/fuzz/run_fuzz.sh ] || [ -f tests/fuzz/run_fuzz.sh ]; then
  echo "== fuzzing the formula compiler"
  FUZZ_SECONDS=${FUZZ_SECONDS:-60} bash tests/fuzz/run_fuzz.sh
fi
echo "== all tests passed"
