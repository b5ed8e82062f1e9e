#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on a bundled
# sample pattern.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target difscop-cli
exec build/src/cli/difscop-cli info igor examples/fit_two_phases.pat "$@"
