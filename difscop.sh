#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on a bundled
# sample pattern (an Igor fit named on the command line), or on the files
# given.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target difscop
# Files named here are opened instead of the sample (after a switch the
# program takes the rest of the line as one file name).
if [ "$#" -gt 0 ]; then
  exec build/src/app/difscop "$@"
fi
exec build/src/app/difscop -i examples/fit_two_phases.pat
