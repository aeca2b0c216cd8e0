#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; prints the ctest summary.
# A second, smaller run repeats the logic tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

echo "== Sanitizer build (ASan + UBSan) of the logic tests =="
asan_suites="core_tests document_tests effects_tests adjust_tests frames_tests"
cmake -S "$here" -B "$here/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_SANITIZE=ON \
      -DKV_BUILD_UI=OFF -DKV_BUILD_BENCH=OFF >/dev/null
cmake --build "$here/build-asan" --parallel "$jobs" --target $asan_suites
for t in $asan_suites; do
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$here/build-asan/bin/$t" --gtest_brief=1
done
echo "Sanitizer run passed."

echo "== Tests =="
cd "$here/build"
ctest --output-on-failure --parallel "$jobs" --timeout 600
