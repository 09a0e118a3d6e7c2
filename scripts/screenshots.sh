#!/usr/bin/env bash
# Renders the docs' pictures into docs/screenshots/ from the real windows, on an X server of its
# own (Xvfb) with Debian's openbox, so that windows wear the frames a desktop gives them:
#   NAME.png       at 96 DPI
#   NAME@1.5x.png  at 144 DPI (QT_SCALE_FACTOR=1.5)
#   NAME@12pt.png  at 96 DPI with a 12-point font (the pictures of kelto_screenshots only)
# kelto_screenshots (tests/screenshots) draws the first-run main window, a new source window, the
# file browser, the New Workspace dialog, the options dialog, every wizard page, the About box and
# the arrangements; the real program, driven with xdotool, its dialogs and message boxes.
# Usage: scripts/screenshots.sh [build-folder]   (default: build; built first when missing)
# KELTO_SHOTS_DISPLAY picks the X display (default: the first free one from :90 on).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="$root/docs/screenshots"
mkdir -p "$out"

if [ ! -x "$build/kelto" ] || [ ! -x "$build/tests/kelto_screenshots" ]; then
    bash "$root/scripts/build.sh" "$build" -DKELTO_BUILD_BENCH=OFF
fi
build="$(cd "$build" && pwd)"
for tool in Xvfb openbox xprop xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: bash scripts/setup.sh" >&2; exit 1; }
done

# Inside the X server: drive the real program through its windows.
if [ -n "${KELTO_SHOTS_INSIDE:-}" ]; then
    scale="$KELTO_SHOTS_INSIDE"
    suffix=""
    [ "$scale" = 1 ] || suffix="@1.5x"
    work="$(mktemp -d)"
    export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=xcb \
        QT_SCALE_FACTOR="$scale"
    mkdir -p "$XDG_CONFIG_HOME"
    # The directory lists start in the current folder: a source tree of the usual shape.
    mkdir -p "$work/quake3/code/"{cgame,game,ui,q3_ui,botlib}
    (cd "$work/quake3/code" && exec "$build/kelto") >"$work/log" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

    # Everything on screen, the black root trimmed away.
    shot() {
        sleep 0.8
        import -window root png:- | convert png:- -trim +repage "$out/$1$suffix.png"
        echo "  $1$suffix.png"
    }
    keys() {
        timeout 10 xdotool key --clearmodifiers --delay 120 "$@"
        sleep 0.6
    }
    # Through the window manager, the pointer over the window.
    focus() {
        eval "$(timeout 5 xdotool getwindowgeometry --shell "$1")"
        timeout 5 xdotool mousemove $((X + 40)) $((Y + 5))
        timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null ||
            timeout 5 xdotool windowfocus "$1" || true
        sleep 0.3
    }
    # The one visible window of this name that stays there.
    window() {
        local previous="" candidate i id
        for ((i = 0; i < 40; i++)); do
            candidate=""
            for id in $(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null); do
                timeout 5 xdotool getwindowgeometry "$id" >/dev/null 2>&1 && candidate="$id"
            done
            [ -n "$candidate" ] && [ "$candidate" = "$previous" ] && { echo "$candidate"; return 0; }
            previous="$candidate"
            sleep 0.5
        done
        return 1
    }

    main="$(window '^Kelto$')"
    # Its frame at the top left of the screen.
    extents="$(xprop -id "$main" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')"
    IFS=, read -r frame_left _ frame_top _ <<<"${extents:-0,0,0,0}"
    timeout 5 xdotool windowmove "$main" "$frame_left" "$frame_top"
    timeout 5 xdotool windowsize "$main" "$(awk "BEGIN { print int(960 * $scale) }")" \
        "$(awk "BEGIN { print int(720 * $scale) }")" || true
    focus "$main"
    shot main-window
    keys alt+f Down Down Down Return               # File > New Workspace...
    shot new-workspace
    keys alt+f c                                   # closing it asks where to save the workspace
    dialog="$(window '^New Workspace$')" && focus "$dialog" && shot new-workspace-save
    keys Escape
    focus "$main"
    keys alt+b g                                   # Build > Build game QVM, no workspace
    shot no-workspace
    keys Return
    focus "$main"
    keys alt+h c                                   # Help > Contents
    shot help-contents
    keys Return
    focus "$main"
    keys alt+e u                                   # Edit > Undo, the placeholder message
    shot undo
    keys Return
    focus "$main"
    keys alt+t o                                   # Tools > Options...
    shot options-run
    keys Escape
    focus "$main"
    keys ctrl+n
    timeout 10 xdotool type --delay 30 -- '#define ROCKET_SPEED 900 // units per second'
    keys Return
    shot source-window
    keys alt+f a                                   # File > Save As...
    dialog="$(window '^Save As$')" && focus "$dialog" && shot save-as
    keys Escape
    focus "$main"
    keys alt+e f                                   # Edit > Find..., for the source window
    shot find
    focus "$main"
    keys alt+f x                                   # File > Exit asks about the changed window
    shot save-changes
    keys n
    for ((i = 0; i < 50; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    exit 0
fi

# Outside: an X server with a window manager, then each run on it.
work="$(mktemp -d)"
# shellcheck source=scripts/desktop.sh
source "$root/scripts/desktop.sh"
cleanup() {
    desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
desktop_start "${KELTO_SHOTS_DISPLAY:-}" "$work/" -screen 0 1920x1440x24 -dpi 96 -nolisten tcp

# 1. The windows drawn by kelto_screenshots, each run with a settings folder of its own (the
#    first-run placement), in a source tree of the usual shape (where the lists start).
mkdir -p "$work/quake3/code/"{cgame,game,ui,q3_ui,botlib}
for run in "1 " "1.5 @1.5x" "1 @12pt 12"; do
    read -r scale suffix points <<<"$run"
    echo "scale $scale${points:+, $points pt}:"
    mkdir -p "$work/config$suffix"
    (cd "$work/quake3/code" &&
        XDG_CONFIG_HOME="$work/config$suffix" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
            timeout 120 "$build/tests/kelto_screenshots" "$out" "$suffix" ${points:+"$points"}) ||
        echo "warning: kelto_screenshots failed at scale $scale ${points:+($points pt)}" >&2
done

# 2. The real program, once per scale.
for scale in 1 1.5; do
    KELTO_SHOTS_INSIDE="$scale" timeout -k 5 300 bash "$0" "$build" ||
        echo "warning: the run at scale $scale failed" >&2
done
echo "Screenshots in $out"
