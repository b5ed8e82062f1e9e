#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (in build-fuzz) and runs every one of
# them, seeded, for SECONDS each: scripts/fuzz-long.sh 600
set -euo pipefail
seconds=${1:?usage: scripts/fuzz-long.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIFSCOP_FUZZ=ON \
  -DDIFSCOP_BUILD_APP=OFF -DDIFSCOP_BUILD_TESTS=OFF >/dev/null
nice cmake --build build-fuzz -j2 >/dev/null
exec scripts/run-fuzzers.sh build-fuzz "$seconds"
