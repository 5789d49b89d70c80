#!/usr/bin/env bash
# The main job: builds the library and runs the demo, which writes its workbooks
# into out/ and lists what they hold.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)"
mkdir -p out
./build/release/example_quickstart out/quickstart.xls out/quickstart-biff5.xls
for f in out/quickstart.xls out/quickstart-biff5.xls; do
  ./build/release/tablirex dump "$f" | head -n 12 || true
done
