#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
# the unit and widget tests (under a German locale), the same tests built with
# AddressSanitizer and UBSan, and each fuzz harness for a few seconds.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test

jobs=$(nproc)
export LC_ALL=de_DE.UTF-8
export QT_QPA_PLATFORM=offscreen

echo "== build and unit tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIFSCOP_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== unit tests under AddressSanitizer and UBSan"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDIFSCOP_SANITIZE=ON -DDIFSCOP_BUILD_APP=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzz harnesses"
if [ -f fuzz/CMakeLists.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIFSCOP_FUZZ=ON \
    -DDIFSCOP_BUILD_APP=OFF -DDIFSCOP_BUILD_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs"
  scripts/run-fuzzers.sh build-fuzz "${FUZZ_SECONDS:-5}"
fi
echo "== all tests passed"
