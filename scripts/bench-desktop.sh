#!/usr/bin/env bash
# Kelto as its user sees it, beside the general editors a user would try instead (Geany, Kate and
# FeatherPad, Debian's packages) and QScintilla with its C++ lexer: builds the desktop benchmark
# (Release), starts an X server of its own (Xvfb) with Debian's openbox, runs kelto_desktop_bench
# there with every program that is installed, writes the raw samples to
# <build-folder>/desktop.json and the user-view table into docs/performance.md. Installs the
# packages it needs when they are missing, the peers included.
# Usage: scripts/bench-desktop.sh [build-folder] [--part NAME] [kelto_desktop_bench options...]
#        (default folder build-bench; options such as --launches 3 --files 10.5MB --trace)
# --part NAME takes the table in parts, each short enough to run while nothing else does: the
# samples go to <build-folder>/desktop-part-NAME.json, and the table is made from every part
# there (delete them to start over).
# KELTO_BENCH_DISPLAY picks the X display (default: the first free one from :90 on);
# KELTO_BENCH_BASELINE=0 leaves the QScintilla baseline out.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-bench}"
shift || true
part=""
if [ "${1:-}" = "--part" ]; then
    part="$2"
    shift 2
fi

packages=(xvfb xauth x11-utils openbox pkg-config libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev
    geany kate featherpad)
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

programs=(--program "$build/kelto")
for peer in geany kate featherpad; do
    path="$(command -v "$peer" || true)"
    [ -n "$path" ] && programs+=(--program "$path")
done
[ "${KELTO_BENCH_BASELINE:-1}" != 0 ] && programs+=(--program "$build/bench/qsci_baseline")

# shellcheck source=scripts/desktop.sh
source "$root/scripts/desktop.sh"
trap desktop_stop EXIT
# -noreset: otherwise the server starts over when its last client leaves (the probes that wait
# for it), and a window manager connecting in that moment finds no display.
desktop_start "${KELTO_BENCH_DISPLAY:-}" "$build/desktop-" -screen 0 1280x1024x24 -nolisten tcp \
    -noreset

out="$build/desktop.json"
[ -n "$part" ] && out="$build/desktop-part-$part.json"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/kelto_desktop_bench" "${programs[@]}" --out "$out" "$@"
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

results=(--desktop "$out")
if [ -n "$part" ]; then
    echo "$part: $load_before|$load_after" >"$build/desktop-part-$part.load"
    results=()
    for json in "$build"/desktop-part-*.json; do
        results+=(--desktop "$json")
    done
    load_before="$(cut -d'|' -f1 "$build"/desktop-part-*.load | paste -sd';' | sed 's/;/; /g')"
    load_after="$(cut -d'|' -f2 "$build"/desktop-part-*.load | paste -sd';' | sed 's/;/; /g')"
fi
python3 "$root/scripts/perf-table.py" "${results[@]}" \
    --update "$root/docs/performance.md" --load-before "$load_before" --load-after "$load_after"
echo "User-view figures written to $root/docs/performance.md"
