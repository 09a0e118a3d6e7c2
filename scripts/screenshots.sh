#!/usr/bin/env bash
# Renders every window, dialog and wizard page at 96 DPI and at 144 DPI (QT_SCALE_FACTOR=1.5)
# into docs/screenshots/: NAME.png at 96 DPI, NAME@1.5x.png at 144 DPI.
# The options dialog, the wizard pages, the About box and the tiled and cascaded windows come
# from the test programs' screenshot tests (KELTO_SCREENSHOT_DIR); the main window, the child
# windows, the file and message dialogs come from the real program on its own X server, driven
# with xdotool.
# Usage: scripts/screenshots.sh [build-folder]   (default: build; built first when missing)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
out="$root/docs/screenshots"
mkdir -p "$out"

if [ ! -x "$build/kelto" ] || [ ! -x "$build/tests/kelto_publishing_tests" ]; then
    bash "$root/scripts/build.sh" "$build" -DKELTO_BUILD_BENCH=OFF
fi
build="$(cd "$build" && pwd)"
for tool in xvfb-run xdotool import convert; do
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
    # No window manager: focus by hand, pointer over the window.
    focus() {
        eval "$(timeout 5 xdotool getwindowgeometry --shell "$1")"
        timeout 5 xdotool mousemove $((X + 40)) $((Y + 5))
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
    timeout 5 xdotool windowmove "$main" 0 0
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

# 1. The screenshot tests, offscreen.
for scale in 1 1.5; do
    tmp="$(mktemp -d)"
    for area in publishing app; do
        KELTO_SCREENSHOT_DIR="$tmp" QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" \
            timeout 120 "$build/tests/kelto_${area}_tests" --gtest_filter='*Screenshot*' \
            >/dev/null 2>&1 || echo "warning: the $area screenshot tests failed at scale $scale" >&2
    done
    for png in "$tmp"/*.png; do
        name="$(basename "$png" .png)"
        [ "$scale" = 1 ] && cp "$png" "$out/$name.png" || cp "$png" "$out/$name@1.5x.png"
    done
    rm -rf "$tmp"
done

# 2. The real program, once per scale, each on its own X server.
for scale in 1 1.5; do
    KELTO_SHOTS_INSIDE="$scale" timeout -k 5 300 \
        xvfb-run -a -s "-screen 0 1920x1440x24 -dpi 96" bash "$0" "$build" ||
        echo "warning: the run at scale $scale failed" >&2
done
echo "Screenshots in $out"
