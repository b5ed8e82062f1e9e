#!/usr/bin/env bash
# Runs the benchmarks that compare us with a baseline and prints one table:
# measurement, ours, baseline, ratio (median of the interleaved pairs, with
# their min-max), target, and whether it is met.
#   scripts/bench.sh [BUILD_DIR]    (default: build; configured with
#                                    -DDIFSCOP_BUILD_BENCH=ON)
# BENCH_NO_BUILD=1 skips building the benchmark programs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
programs=(bench_import bench_cli bench_plot bench_processing bench_profile bench_export bench_open bench_structures)

if [ "${BENCH_NO_BUILD:-0}" != 1 ]; then
  nice cmake --build "$build" -j2 --target "${programs[@]}" >/dev/null
fi

out=$(mktemp -d "${TMPDIR:-/tmp}/difscop_bench_table.XXXXXX")
trap 'rm -rf "$out"' EXIT
before=$(ls -d "${TMPDIR:-/tmp}"/difscop_bench_* 2>/dev/null | grep -v "$out" || true)

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
run() {  # program filter
  local program=$build/bench/$1
  [ -x "$program" ] || { echo "missing $program" >&2; return; }
  QT_QPA_PLATFORM=offscreen "$program" --benchmark_filter="$2" --benchmark_format=json \
    >"$out/$1.json" 2>"$out/$1.log" || echo "$1 failed: $(tail -n 3 "$out/$1.log")" >&2
}
run bench_import 'XyRead|Scaling'
run bench_cli 'Info'
run bench_plot 'Paint|Repaint|Scaling'
run bench_processing 'Processing|Background|Scaling'
run bench_profile 'Profile'
run bench_export 'Scaling'
run bench_open 'Open|Memory'
run bench_structures 'Reflections'
load_end=$(cut -d' ' -f1-3 /proc/loadavg)

after=$(ls -d "${TMPDIR:-/tmp}"/difscop_bench_* 2>/dev/null | grep -v "$out" || true)
left=$(comm -13 <(echo "$before") <(echo "$after") | sed '/^$/d')

python3 - "$out" "$load_start" "$load_end" "$left" <<'EOF'
import glob, json, re, sys

out, load_start, load_end, left = sys.argv[1:5]
runs = {}
for path in sorted(glob.glob(out + "/*.json")):
    try:
        data = json.load(open(path))
    except ValueError:
        continue
    for b in data.get("benchmarks", []):
        name = re.sub(r"/iterations:\d+(/real_time)?$", "", b["name"])
        runs[name] = b

rows = [
    ("XyRead/cold", "(x,y) read 19,999 pts, first in a process, vs xylib"),
    ("XyRead/warm", "(x,y) read 19,999 pts, warm, vs xylib"),
    ("Info/19999", "difscop-cli info, whole process, vs minimal C reader"),
    ("Paint/19999", "paint 19,999-pt 3-phase fit vs same drawing bare"),
    ("Paint/19999#allocations", "paint: allocations per repaint (QPainter's own: {painter})"),
    ("Repaint/one_99999_dots#3", "repaint 1400x900, one pattern of 99,999 dots vs every point"),
    ("Repaint/one_99999_line#3", "repaint 1400x900, one pattern of 99,999 as a line vs every point"),
    ("Repaint/overlay_50x5000#16", "repaint 1400x900, 50 patterns of 5,000 overlaid vs every point"),
    ("Repaint/map_1000x5000", "repaint 1400x900, a map of 1,000 patterns of 5,000"),
    ("Processing/19999", "smooth 25 + peaks + refine + Ka2 vs 8-lane sum"),
    ("Background/19999", "background reduction 19,999 pts"),
    ("Open/1000x5000", "open 1,000 files of 5,000 pts in the window vs one by one (CPU)"),
    ("Open/1000x5000/wall", "open 1,000 files of 5,000 pts, wall time (loop stall {gap})"),
    ("Memory/1000x5000", "resident with 1,000 patterns of 5,000 pts vs empty start"),
    ("Reflections/100atoms", "powder reflections, 100 atoms to 150 deg Cu, vs gemmi's F sum"),
    ("Reflections/limit", "powder reflections, 100 atoms to 150 deg Cu"),
    ("Profile/Fit/20000", "fit 50 strongest doublets of 20,000 pts vs their profiles at every point"),
    ("Profile/Snip/99999", "SNIP background 99,999 pts vs smoothing 25"),
    ("Profile/Rachinger/99999", "Ka2 stripping 99,999 pts vs smoothing 25"),
]
steps = [("read", "read"), ("smoothing", "smoothing 25"), ("peaks", "peak search + Ka2"),
         ("background", "background"), ("export", "export (x,y) text"), ("paint", "paint")]
sizes = sorted({int(n.split("/")[-1]) for n in runs if n.startswith("Scaling/")})
for key, text in steps:
    for n in sizes:
        rows.append((f"Scaling/{key}/{n}", f"{text}, {n:,} pts vs 10,000 x {n / 10000:g}"))

def ms(v):
    return f"{v:.3g} ms" if v >= 0.1 else f"{v * 1000:.3g} us"

def met(value, target):
    m = re.match(r"\s*(<=|>=)\s*([0-9.]+)", target or "")
    if not m:
        return ""
    limit = float(m.group(2))
    return "yes" if (value <= limit if m.group(1) == "<=" else value >= limit) else "NO"

table = []
for key, text in rows:
    name, _, part = key.partition("#")
    b = runs.get(name)
    if b is None:
        continue
    if b.get("error_occurred"):
        table.append((text, "error: " + b.get("error_message", ""), "", "", "", ""))
        continue
    if part == "allocations":
        a = b.get("allocations", 0)
        table.append((text.format(painter=int(b.get("painter_allocations", 0))), f"{a:g}", "-", "-",
                      "0 of ours", "yes" if a - b.get("painter_allocations", 0) <= 0 else "NO"))
        continue
    if part.isdigit():  # a limit in ms on ours, the baseline for comparison
        table.append((text, ms(b["ours_ms"]), ms(b["base_ms"]),
                      f"{b['ratio']:.2f} faster ({b['ratio_min']:.2f}-{b['ratio_max']:.2f})",
                      f"<= {part} ms", "yes" if b["ours_ms"] <= float(part) else "NO"))
        continue
    if "limit_mb" in b:
        table.append((text, f"{b['ours_mb']:.0f} MB", f"{b['base_mb']:.0f} MB", "-",
                      f"<= {b['limit_mb']:g} MB", "yes" if b["ours_mb"] <= b["limit_mb"] else "NO"))
        continue
    if "limit_ms" in b:
        if "loop_gap_ms" in b:
            text = text.format(gap=ms(b["loop_gap_ms"]))
        spread = f"min-max {ms(b['ours_min_ms'])}-{ms(b['ours_max_ms'])}"
        if "ratio" in b:
            spread = f"{b['ratio']:.2f}x ({b['ratio_min']:.2f}-{b['ratio_max']:.2f}), " + spread
        table.append((text, ms(b["ours_ms"]), ms(b["base_ms"]) if "base_ms" in b else "-", spread,
                      f"<= {b['limit_ms']:g} ms", "yes" if b["ours_ms"] <= b["limit_ms"] else "NO"))
        continue
    word = "faster" if b.get("faster") else "x"
    ratio = f"{b['ratio']:.2f}{' ' if word == 'faster' else ''}{word} ({b['ratio_min']:.2f}-{b['ratio_max']:.2f})"
    target = b.get("label", "")
    table.append((text, ms(b["ours_ms"]), ms(b["base_ms"]), ratio, target, met(b["ratio"], target)))

head = ("measurement", "ours", "baseline", "ratio median (min-max)", "target", "met")
widths = [max(len(r[i]) for r in table + [head]) for i in range(len(head))]
line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in table:
    print(line(r))
print(f"CPU times (the thread's, or the child process's user + system); "
      f"load average {load_start} at the start, {load_end} at the end.")
if left:
    print("left behind: " + left.replace("\n", " "))
EOF
