#!/usr/bin/env bash
# Runs every fuzz harness found in the build directory for a few seconds each,
# seeded with the bundled examples and the test fixtures, real files of other
# programs included (each under 1 MiB; find's -size -1M would round every size
# up to whole MiB and keep only empty files).
set -euo pipefail
build=$1
seconds=${2:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp
harnesses=("$build"/fuzz/fuzz_*)
[ ${#harnesses[@]} -gt 0 ] || { echo "no fuzz harnesses in $build/fuzz" >&2; exit 1; }
status=0
for harness in "${harnesses[@]}"; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus=$(mktemp -d)
  n=0
  while IFS= read -r seed; do
    n=$((n + 1))
    cp "$seed" "$corpus/$n-$(basename "$seed")"
  done < <(find "$root/examples" "$root/tests/data" -type f -size -1048576c 2>/dev/null)
  echo "-- $name (${seconds}s, $n seeds)"
  # -close_fd_mask=2: the code's own complaints on stderr are dropped, the
  # fuzzer's and the sanitizers' reports still come through.
  if ! "$harness" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -close_fd_mask=2 \
      "$corpus" >"$corpus.log" 2>&1; then
    status=1
    tail -n 30 "$corpus.log"
  else
    tail -n 2 "$corpus.log"
  fi
  rm -rf "$corpus" "$corpus.log"
done
exit $status
