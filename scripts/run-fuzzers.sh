#!/usr/bin/env bash
# Runs every fuzz harness found in the build directory for a few seconds each,
# seeded with the bundled examples and the shared sample files (those under
# 1 MiB: find rounds -size up to whole units, so "-1M" would take only empty ones).
set -euo pipefail
build=$1
seconds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp
for harness in "$build"/fuzz/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus=$(mktemp -d)
  n=0
  while IFS= read -r seed; do
    n=$((n + 1))
    cp "$seed" "$corpus/$n-$(basename "$seed")"
  done < <(find "$root/examples" "$root/tests/data" "$root/../shared/samples" -type f -size -1024k 2>/dev/null)
  echo "-- $name (${seconds}s)"
  "$harness" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 "$corpus" 2>&1 | tail -n 2
  rm -rf "$corpus"
done
