#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a while on the corpus seeds.
# Usage: scripts/fuzz.sh [seconds-per-harness]   (default 60)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
secs="${1:-60}"
corpus="$here/../shared/corpus"
CC=clang CXX=clang++ cmake -S "$here" -B "$here/build-fuzz" -G Ninja -DKV_BUILD_FUZZ=ON -DKV_BUILD_UI=OFF \
  -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build "$here/build-fuzz" --parallel "$(nproc)"
for fmt in bmp ico jpeg png gif pcx tga; do
  seeds="$corpus/$fmt"
  work="$here/build-fuzz/corpus-$fmt"; mkdir -p "$work"
  echo "== fuzz_$fmt for ${secs}s =="
  "$here/build-fuzz/bin/fuzz_$fmt" -max_total_time="$secs" -rss_limit_mb=2048 "$work" $(find "$seeds" -type d) 2>&1 | tail -n 2
done
