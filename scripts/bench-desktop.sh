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

display="${KELTO_BENCH_DISPLAY:-}"
if [ -z "$display" ]; then
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            display=":$n"
            break
        fi
    done
fi
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT

# -noreset: otherwise the server starts over when its last client leaves (the xdpyinfo below),
# and a window manager connecting in that moment finds no display.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$build/desktop-xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY="$display"
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }
openbox >"$build/desktop-openbox.log" 2>&1 &
pids+=($!)
# The window manager is up once it names itself on the root window.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for _ in $(seq 50); do
    wm_up && break
    sleep 0.1
done
wm_up || { echo "openbox did not start on $display (see $build/desktop-openbox.log)" >&2; exit 1; }

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/kelto_desktop_bench" --kelto "$build/kelto" \
    --baseline "$build/bench/qsci_baseline" --out "$build/desktop.json" "$@"
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

python3 "$root/scripts/perf-table.py" --desktop "$build/desktop.json" \
    --update "$root/docs/performance.md" --load-before "$load_before" --load-after "$load_after"
echo "User-view figures written to $root/docs/performance.md"
