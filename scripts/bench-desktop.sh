#!/usr/bin/env bash
# Kelto as its user sees it, beside QScintilla with its C++ lexer: builds the desktop benchmark
# (Release), starts an X server of its own (Xvfb) with Debian's openbox, runs
# kelto_desktop_bench there, writes the raw samples to <build-folder>/desktop.json and the
# user-view table into docs/performance.md. Installs the packages it needs when they are missing.
# Usage: scripts/bench-desktop.sh [build-folder] [kelto_desktop_bench options...]
#        (default folder build-bench; options such as --launches 3 --rounds 2 --trace)
# KELTO_BENCH_DISPLAY picks the X display (default: the first free one from :90 on).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
shift || true

packages=(xvfb xauth x11-utils openbox pkg-config libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

bash "$root/scripts/setup.sh"
export CCACHE_BASEDIR="$root"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELTO_BUILD_BENCH=ON \
    >/dev/null
cmake --build "$build" --target kelto qsci_baseline kelto_desktop_bench --parallel "$(nproc)"

# shellcheck source=scripts/desktop.sh
source "$root/scripts/desktop.sh"
trap desktop_stop EXIT
# -noreset: otherwise the server starts over when its last client leaves (the probes that wait
# for it), and a window manager connecting in that moment finds no display.
desktop_start "${KELTO_BENCH_DISPLAY:-}" "$build/desktop-" -screen 0 1280x1024x24 -nolisten tcp \
    -noreset

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/kelto_desktop_bench" --kelto "$build/kelto" \
    --baseline "$build/bench/qsci_baseline" --out "$build/desktop.json" "$@"
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

python3 "$root/scripts/perf-table.py" --desktop "$build/desktop.json" \
    --update "$root/docs/performance.md" --load-before "$load_before" --load-after "$load_after"
echo "User-view figures written to $root/docs/performance.md"
