#!/usr/bin/env bash
# Builds Kelto's benchmark (Release) and runs it: opening, colouring, typing, find, save,
# start-up and peak memory on generated large files, beside QScintilla with its C++ lexer in
# the same run. Writes the raw results to <build-folder>/bench.json and regenerates the
# figures table in docs/performance.md from them. Then runs the desktop benchmark
# (scripts/bench-desktop.sh: the real program under Xvfb, as its user sees it) into the same
# folder, unless KELTO_BENCH_DESKTOP=0.
# Usage: scripts/bench.sh [build-folder] [benchmark options...]   (default folder build-bench)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
shift || true

bash "$root/scripts/setup.sh"
export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELTO_BUILD_BENCH=ON \
    >/dev/null
cmake --build "$build" --target kelto_bench --parallel "$(nproc)"

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/kelto_bench" --benchmark_out="$build/bench.json" --benchmark_out_format=json \
    --benchmark_counters_tabular=true "$@"
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

python3 "$root/scripts/perf-table.py" "$build/bench.json" --update "$root/docs/performance.md" \
    --load-before "$load_before" --load-after "$load_after"
echo "Figures written to $root/docs/performance.md"

if [ "${KELTO_BENCH_DESKTOP:-1}" != 0 ]; then
    bash "$root/scripts/bench-desktop.sh" "$build"
fi
