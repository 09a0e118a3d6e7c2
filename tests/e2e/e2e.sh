#!/usr/bin/env bash
# End-to-end run of the real program on its own X server with a window manager (openbox), driven
# only from outside with keyboard and mouse events: the first-run main window framed at its
# documented outer size, File > New, type, File > Save As through the real file dialog, the
# wizard walked with Enter alone, File > Exit; then the saved bytes and the settings file are
# checked, and a second run must put the main window back where the first left it.
# Usage: e2e.sh <kelto binary> <output folder for screenshots>
# Exit codes: 0 passed, 1 failed, 77 skipped (xvfb-run, xdotool, openbox or x11-utils missing).
set -uo pipefail

kelto="${1:?usage: e2e.sh <kelto binary> <output folder>}"
out="${2:-$PWD}"

# Outside the X server: check the tools, then run this same script inside a fresh one.
if [ -z "${KELTO_E2E_INSIDE:-}" ]; then
    for tool in xvfb-run xdotool openbox xprop xwininfo; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"
            exit 77
        fi
    done
    KELTO_E2E_INSIDE=1 exec timeout -k 5 200 \
        xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash "$0" "$kelto" "$out"
fi

mkdir -p "$out"
work="$(mktemp -d "${TMPDIR:-/tmp}/kelto-e2e.XXXXXX")"
# The window manager frames, places and focuses the windows as on a desktop.
openbox >"$work/openbox.log" 2>&1 &
openbox_pid=$!
for ((i = 0; i < 50; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"
mkdir -p "$XDG_CONFIG_HOME"
# The suite runs with the offscreen platform; this test needs the real X11 one.
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR
kelto_pid=""

fail() {
    echo "FAIL: $*"
    shot "$out/e2e-failure.png"
    [ -f "$work/kelto.log" ] && sed 's/^/kelto: /' "$work/kelto.log" | tail -40
    exit 1
}

cleanup() {
    if [ -n "$kelto_pid" ] && kill -0 "$kelto_pid" 2>/dev/null; then
        kill "$kelto_pid" 2>/dev/null
        sleep 1
        kill -9 "$kelto_pid" 2>/dev/null
    fi
    kill "$openbox_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

shot() {
    command -v import >/dev/null 2>&1 && timeout 10 import -window root "$1" 2>/dev/null
    return 0
}

# Starts the program with the given arguments and waits for its main window. With
# file_size_limit set (KiB), the program runs under that limit on the size of files it writes.
start_kelto() {
    (
        [ -z "${file_size_limit:-}" ] || ulimit -S -f "$file_size_limit" || exit 1
        exec "$kelto" "$@"
    ) >"$work/kelto.log" 2>&1 &
    kelto_pid=$!
    # The splash window comes first, and an untitled window is named after the program too; the
    # splash is destroyed before the main window shows, so the main window is the one visible
    # "Kelto" window that is still there, the same id twice in a row.
    main_window=""
    local previous="" candidate i
    for ((i = 0; i < 60; i++)); do
        kill -0 "$kelto_pid" 2>/dev/null || fail "the program ended at start-up"
        candidate=""
        for id in $(timeout 5 xdotool search --onlyvisible --name '^Kelto$' 2>/dev/null); do
            timeout 5 xdotool getwindowgeometry "$id" >/dev/null 2>&1 && candidate="$id"
        done
        if [ -n "$candidate" ] && [ "$candidate" = "$previous" ]; then
            main_window="$candidate"
            break
        fi
        previous="$candidate"
        sleep 0.5
    done
    [ -n "$main_window" ] || fail "the main window \"Kelto\" did not appear"
    focus "$main_window"
}

# Activates a window through the window manager, the pointer over it.
focus() {
    local window="$1"
    eval "$(timeout 5 xdotool getwindowgeometry --shell "$window")"
    timeout 5 xdotool mousemove $((X + WIDTH / 2)) $((Y + 10)) >/dev/null 2>&1
    timeout 5 xdotool windowactivate --sync "$window" >/dev/null 2>&1 ||
        timeout 5 xdotool windowfocus "$window" >/dev/null 2>&1
    sleep 0.3
}

# The outer rectangle of a framed window: "left top width height", frame included. (xwininfo
# rather than xdotool, whose position of a framed window is off by the frame.)
outer_geometry() {
    local window="$1" info extents x y w h fl fr ft fb
    info="$(xwininfo -id "$window")"
    x="$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")"
    y="$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")"
    w="$(sed -n 's/^ *Width: *//p' <<<"$info")"
    h="$(sed -n 's/^ *Height: *//p' <<<"$info")"
    extents="$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ' ')"
    IFS=, read -r fl fr ft fb <<<"${extents:-0,0,0,0}"
    echo "$((x - fl)) $((y - ft)) $((w + fl + fr)) $((h + ft + fb))"
}

# The one visible window whose name matches, or nothing.
visible_window() {
    timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1
}

# Waits up to $1 seconds for a message box: a visible window named "Kelto" other than the main
# window. Its id goes to message_window.
wait_for_message() {
    local seconds="$1" i id
    message_window=""
    for ((i = 0; i < seconds * 2; i++)); do
        for id in $(timeout 5 xdotool search --onlyvisible --name '^Kelto$' 2>/dev/null); do
            [ "$id" != "$main_window" ] && message_window="$id" && return 0
        done
        sleep 0.5
    done
    return 1
}

# The text of the message box in message_window, copied with Ctrl+C as a user would.
message_text() {
    focus "$message_window"
    keys ctrl+c
    timeout 5 xclip -o -selection clipboard 2>/dev/null
}

keys() {
    timeout 10 xdotool key --clearmodifiers --delay 80 "$@" || fail "xdotool key $*"
    sleep 0.5
}

# Runs the command every tenth of a second until it succeeds, for up to $1 seconds; its status.
wait_until() {
    local seconds="$1" i
    shift
    for ((i = 0; i < seconds * 10; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# The process has ended.
ended() {
    ! kill -0 "$1" 2>/dev/null
}

wait_for_exit() {
    wait_until "$1" ended "$kelto_pid" || return 1
    wait "$kelto_pid"
    kelto_pid=""
}

# File > Exit by its access keys. A source window stays "changed" after a save, so closing asks
# "Save Changes?"; it is answered No (the file on disk is the one to check).
exit_kelto() {
    focus "$main_window"
    keys alt+f
    keys x
    if ! wait_for_exit 3; then
        question="$(timeout 3 xdotool search --onlyvisible --name 'Save Changes' | head -n1)"
        if [ -n "$question" ]; then
            focus "$question"
            keys n
        fi
        wait_for_exit 10 || fail "the program did not end after File > Exit"
    fi
}

# ---- first run ---------------------------------------------------------------------------
start_kelto
# Framed at the documented first-run placement, 1000, 1000, 6500 x 6500 twips at 96 DPI, from
# the moment it appeared: no resize follows.
first_seen="$(outer_geometry "$main_window")"
sleep 1
[ "$(outer_geometry "$main_window")" = "$first_seen" ] ||
    fail "the main window changed from $first_seen to $(outer_geometry "$main_window") after it appeared"
[ "$first_seen" = "67 67 433 433" ] ||
    fail "the first-run main window's outer rectangle is $first_seen, not 67 67 433 433"
left=150
top=120
timeout 5 xdotool windowmove --sync "$main_window" "$left" "$top" ||
    timeout 5 xdotool windowmove "$main_window" "$left" "$top"
sleep 0.5
focus "$main_window"
shot "$out/e2e-1-started.png"

# Build > Publish Mod..., then Enter alone: page 1 goes on, page 2 opens with the focus in its
# path box (a path typed there is kept), Enter there and on pages 3 and 4 goes on, and on page 5
# finishes.
keys alt+b p
for page in 1 2 3 4 5; do
    wizard=""
    for ((i = 0; i < 30; i++)); do
        wizard="$(visible_window '^Mod Publishing Wizard$')"
        [ -n "$wizard" ] && break
        sleep 0.2
    done
    [ -n "$wizard" ] || fail "wizard page $page did not appear"
    sleep 0.3
    if [ "$page" = 2 ]; then
        timeout 20 xdotool type --clearmodifiers --delay 20 -- "/usr/bin/sensible-browser" ||
            fail "xdotool type"
    fi
    [ "$page" = 1 ] && shot "$out/e2e-wizard-1.png"
    keys Return
done
sleep 0.5
[ -z "$(visible_window '^Mod Publishing Wizard$')" ] || fail "Enter on the last wizard page did not finish"
focus "$main_window"

keys ctrl+n
# The source window is a child inside the main window (no X window of its own) and takes the
# keyboard focus as it opens.
sleep 1
typed_lines=('#include "g_local.h"' '// fire a rocket every second' 'int rocket_delay = 1000;')
for line in "${typed_lines[@]}"; do
    timeout 20 xdotool type --clearmodifiers --delay 30 -- "$line" || fail "xdotool type"
    keys Return
done
shot "$out/e2e-2-typed.png"

saved="$work/saved/rocket.c"
mkdir -p "$work/saved"
keys alt+f
keys a
dialog="$(timeout 15 xdotool search --sync --onlyvisible --name '^Save As$' | head -n1)"
[ -n "$dialog" ] || fail "the \"Save As\" file dialog did not appear"
focus "$dialog"
# The file name box has the focus in Qt's own dialog; a full path there picks the folder too.
keys ctrl+a
timeout 20 xdotool type --clearmodifiers --delay 20 -- "$saved" || fail "xdotool type"
shot "$out/e2e-3-save-as.png"
keys Return
wait_until 10 test -f "$saved" || fail "Save As wrote no file at $saved"
sleep 0.5
shot "$out/e2e-4-saved.png"

left_behind="$(outer_geometry "$main_window")"
exit_kelto

# ---- what the first run left behind ------------------------------------------------------
expected="$work/expected.c"
printf '%s\n' "${typed_lines[@]}" >"$expected"
if ! cmp -s "$expected" "$saved"; then
    echo "expected bytes:"
    od -c "$expected" | head -20
    echo "saved bytes:"
    od -c "$saved" | head -20
    fail "the saved file's bytes differ from what was typed"
fi

ini="$XDG_CONFIG_HOME/Kelto/Kelto.ini"
[ -f "$ini" ] || fail "no settings file at $ini"
grep -q '^webPath=/usr/bin/sensible-browser$' "$ini" || {
    cat "$ini"
    fail "the path typed on wizard page 2 was not kept"
}
for key in MainLeft MainTop MainWidth MainHeight ftpPath webPath emaPath; do
    grep -q "^$key=" "$ini" || {
        cat "$ini"
        fail "the settings file has no $key"
    }
done

# ---- second run: the placement comes back ------------------------------------------------
start_kelto
sleep 1
came_back="$(outer_geometry "$main_window")"
shot "$out/e2e-5-second-run.png"
echo "second run: main window at $came_back (the first run left it at $left_behind)"
if [ "$came_back" != "$left_behind" ]; then
    cat "$ini"
    fail "the main window came back at $came_back, not at $left_behind"
fi
exit_kelto

# ---- the build loop: workspace, Build game QVM, the error opened at its line ---------------
# A workspace whose game template runs the tests' stand-in compiler (tests/workspace/data/q3lcc,
# found on PATH as q3lcc): it reports an error at line 3 of g_main.c and fails. Enter in the
# build window opens that line selected; what is typed then replaces it, and File > Save shows
# on disk that it was line 3 of g_main.c that was open.
build_loop() {
    local data src saved_path i
    data="$(cd "$(dirname "${BASH_SOURCE[0]}")/../workspace/data" && pwd)"
    src="$work/q3 src/code"
    mkdir -p "$src/game" "$src/cgame" "$src/ui"
    for ((i = 1; i <= 9; i++)); do echo "/* line $i */"; done >"$src/game/g_main.c"
    printf 'mkdir -p vm && cd vm || exit 1\nq3lcc -DQ3_VM ../g_main.c || exit 1\n' \
        >"$src/game/gamebak.bat"
    printf '%s\r\n' "$src" >"$work/mine.kws"

    saved_path="$PATH"
    export PATH="$data:$PATH"
    start_kelto
    export PATH="$saved_path"

    # File > Open Workspace... (the fifth item; it has no access key of its own).
    keys alt+f
    keys Down Down Down Down Return
    dialog="$(timeout 15 xdotool search --sync --onlyvisible --name '^Open Workspace$' | head -n1)"
    [ -n "$dialog" ] || fail "the \"Open Workspace\" file dialog did not appear"
    focus "$dialog"
    keys ctrl+a
    timeout 20 xdotool type --clearmodifiers --delay 20 -- "$work/mine.kws" || fail "xdotool type"
    keys Return
    sleep 1
    focus "$main_window"

    # Build > Build game QVM: the build window takes the focus; when the build has failed its
    # first error is the current line.
    keys alt+b
    keys g
    sleep 3
    shot "$out/e2e-6-build-failed.png"
    keys Return
    sleep 1
    shot "$out/e2e-7-error-opened.png"
    timeout 20 xdotool type --clearmodifiers --delay 30 -- "int fixed = 3;" || fail "xdotool type"
    keys alt+f
    keys s
    sleep 1
    shot "$out/e2e-8-fixed.png"
    if [ "$(sed -n 3p "$src/game/g_main.c")" != "int fixed = 3;" ] ||
        [ "$(sed -n 2p "$src/game/g_main.c")" != "/* line 2 */" ] ||
        [ "$(sed -n 4p "$src/game/g_main.c")" != "/* line 4 */" ]; then
        cat -A "$src/game/g_main.c" | head -12
        fail "Enter in the build window did not open g_main.c with line 3 selected"
    fi
    [ -f "$src/game/gamerev.bat" ] || fail "Build game QVM wrote no build script"
    exit_kelto
}
build_loop

# ---- play the mod: Run Mod (F5) with the stand-in engine, then Package Mod ------------------
# The stand-in engine (tests/workspace/data/engine) is found on PATH as ioquake3, with a base game
# beside it holding one map; the first F5 opens Run Settings with those found, Enter keeps them,
# the game module is built, its .qvm copied into the mod's folder under the home folder, and the
# engine started: it writes out the arguments it received. Package Mod then packs the .qvm and
# the workspace's assets into a .pk3 that `unzip -l` lists.
play_the_mod() {
    if ! command -v zip >/dev/null 2>&1 || ! command -v unzip >/dev/null 2>&1; then
        echo "SKIP: playing the mod needs zip and unzip"
        return 0
    fi
    local data play src saved_path saved_home listing
    data="$(cd "$(dirname "${BASH_SOURCE[0]}")/../workspace/data" && pwd)"
    play="$work/play"
    src="$play/code"
    mkdir -p "$src/game" "$play/bin/baseq3" "$play/maps/maps" "$play/home" "$play/assets/scripts" \
        "$play/out"
    cp "$data/engine" "$play/bin/ioquake3"
    echo bsp >"$play/maps/maps/q3dm1.bsp"
    (cd "$play/maps" && zip -q "$play/bin/baseq3/pak0.pk3" maps/q3dm1.bsp) || fail "zip"
    printf 'int qvm;\n' >"$src/game/g_main.c"
    printf 'mkdir -p vm && cat g_main.c >vm/qagame.qvm\n' >"$src/game/gamebak.bat"
    printf 'textures/play/x\n' >"$play/assets/scripts/play.shader"
    printf '%s\r\n' "$src" >"$play/play.kws"

    saved_path="$PATH"
    saved_home="$HOME"
    export PATH="$play/bin:$PATH" HOME="$play/home" KELTO_STANDIN_ARGV="$play/argv"
    start_kelto "$play/play.kws"
    export PATH="$saved_path" HOME="$saved_home"
    unset KELTO_STANDIN_ARGV

    keys F5
    dialog="$(timeout 15 xdotool search --sync --onlyvisible --name '^Run Settings$' | head -n1)"
    [ -n "$dialog" ] || fail "the first F5 did not open \"Run Settings\""
    focus "$dialog"
    shot "$out/e2e-13-run-settings.png"
    keys Return
    wait_until 20 test -s "$play/argv" || fail "Run Mod started no engine"
    sleep 1.5
    shot "$out/e2e-14-engine-ran.png"
    [ "$(cat "$play/home/.q3a/play/vm/qagame.qvm" 2>/dev/null)" = "int qvm;" ] ||
        fail "the built QVM is not in the mod folder: $(ls -R "$play/home")"
    for expected in "fs_game play" "fs_homepath $play/home/.q3a" "vm_game 2" "com_basegame baseq3"; do
        tr '\n' ' ' <"$play/argv" | grep -qF -- "+set $expected " ||
            fail "the engine was not given +set $expected: $(tr '\n' ' ' <"$play/argv")"
    done
    [ "$(tail -n2 "$play/argv" | tr '\n' ' ')" = "+map q3dm1 " ] ||
        fail "the map is not last: $(tr '\n' ' ' <"$play/argv")"

    focus "$main_window"
    keys alt+b k
    dialog="$(timeout 15 xdotool search --sync --onlyvisible --name '^Package Mod$' | head -n1)"
    [ -n "$dialog" ] || fail "Package Mod opened no file dialog"
    focus "$dialog"
    keys ctrl+a
    timeout 20 xdotool type --clearmodifiers --delay 20 -- "$play/out/play" || fail "xdotool type"
    keys Return
    wait_for_message 10 || fail "Package Mod said nothing"
    shot "$out/e2e-15-packaged.png"
    keys Return
    listing="$(unzip -l "$play/out/play.pk3" | awk 'NR > 3 && NF == 4 { print $4 }')"
    [ "$(echo $listing)" = "scripts/play.shader vm/qagame.qvm" ] ||
        fail "the package lists: $listing"
    kill "$kelto_pid"
    wait "$kelto_pid" 2>/dev/null
    kelto_pid=""
}
play_the_mod

# ---- a second start hands its file to the running Kelto -----------------------------------
# `kelto FILE`, then `kelto OTHER`: the second start ends at once and both files are open in the
# first, which is shown by typing a mark into each window there and saving it with File > Save.
second_start_hands_over() {
    export XDG_RUNTIME_DIR="$work/runtime" # the socket between the two starts
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    local first="$work/handover/g_main.c" other="$work/handover/bg_public.h" second_pid
    mkdir -p "$work/handover"
    printf 'int first;\n' >"$first"
    printf '#define OTHER 2\n' >"$other"

    start_kelto "$first"
    sleep 1
    "$kelto" "$other" >"$work/second.log" 2>&1 &
    second_pid=$!
    wait_until 20 ended "$second_pid" ||
        fail "the second start did not end: it runs a Kelto of its own"
    wait "$second_pid" || fail "the second start ended with status $?: $(cat "$work/second.log")"
    kill -0 "$kelto_pid" 2>/dev/null || fail "the first Kelto ended when the second started"
    sleep 1
    shot "$out/e2e-9-handed-over.png"

    # The file handed over is the active window; the first file is the second entry of the
    # Window menu's list (the file browser is the first).
    focus "$main_window"
    timeout 20 xdotool type --clearmodifiers --delay 30 -- '// B' || fail "xdotool type"
    keys alt+f s
    keys alt+w 2
    timeout 20 xdotool type --clearmodifiers --delay 30 -- '// A' || fail "xdotool type"
    keys alt+f s
    shot "$out/e2e-10-both-saved.png"
    grep -q '^// B#define OTHER 2' "$other" || fail "the file handed over was not open in the first Kelto: $(cat "$other")"
    grep -q '^// Aint first;' "$first" || fail "the first file was not open in the first Kelto: $(cat "$first")"

    kill "$kelto_pid"
    wait "$kelto_pid" 2>/dev/null
    kelto_pid=""
    unset XDG_RUNTIME_DIR
}
second_start_hands_over

# ---- a save past the file-size limit ------------------------------------------------------
# Under `ulimit -f` a write past the limit raises SIGXFSZ, which ends a process unless it is
# ignored. Kelto must say why the save failed, keep the old file whole, keep running and keep
# the text in its window: once the limit is lifted, Save writes that text.
# Waits for a message box whose text matches a pattern, shoots it, answers OK and checks that
# the program runs on; `when` names the moment in what a failure says.
expect_message() {
    local when="$1" pattern="$2" picture="$3" text
    wait_for_message 10 || fail "no message $when"
    text="$(message_text)"
    shot "$out/$picture"
    # shellcheck disable=SC2053 # the pattern is a pattern
    [[ "$text" == $pattern ]] || fail "the message $when: $text"
    keys Return
    kill -0 "$kelto_pid" 2>/dev/null || fail "the program ended $when"
}

save_past_the_file_size_limit() {
    if ! command -v xclip >/dev/null 2>&1 || ! command -v prlimit >/dev/null 2>&1; then
        echo "SKIP: a save past the file-size limit needs xclip and prlimit"
        return 0
    fi
    local file="$work/limit/big.c" old="$work/limit/big.old" i
    mkdir -p "$work/limit"
    for ((i = 0; i < 1000; i++)); do
        printf '/* line %04d of forty bytes of text */\n' "$i"
    done >"$file"
    cp "$file" "$old"
    file_size_limit=64 start_kelto "$file"
    # The text doubled (40 KB to 80 KB) by copying it all and pasting it at its end.
    keys ctrl+a ctrl+c ctrl+End ctrl+v
    # The recovery copy of the unsaved text is written a few seconds after the typing stops; it
    # is past the limit too, which is told once.
    expect_message "writing a recovery copy past the file-size limit" \
        "*recovery copy*File too large*" e2e-11-recovery-past-limit.png

    focus "$main_window"
    keys alt+f s
    expect_message "saving past the file-size limit" "*$file*File too large*" \
        e2e-12-save-past-limit.png
    cmp -s "$old" "$file" || fail "the old file was not kept whole when Save failed"
    [ "$(ls -A "$work/limit" | tr '\n' ' ')" = "big.c big.old " ] ||
        fail "a temporary file was left: $(ls -A "$work/limit")"

    prlimit --pid "$kelto_pid" --fsize=unlimited || fail "prlimit"
    focus "$main_window"
    keys alt+f s
    sleep 1
    [ "$(wc -c <"$file")" -eq $((2 * $(wc -c <"$old"))) ] ||
        fail "the window did not keep its text: $(wc -c <"$file") bytes saved"
    kill "$kelto_pid"
    wait "$kelto_pid" 2>/dev/null
    kelto_pid=""
}
save_past_the_file_size_limit

# ---- processes end with the build, and with the program ------------------------------------
# The game build leaves `sleep 301 &` and a child that ignores SIGTERM behind: both are gone
# within the grace period. The cgame build runs on while `kill -TERM` goes to Kelto with an
# unsaved window: Kelto ends at once, as SIGTERM ends a program, without a question; no process
# of the build is left; the unsaved text is in its recovery copy.
processes_end_with_the_build() {
    local src="$work/ending/code" pids="$work/ending/pids" leave status
    mkdir -p "$src/game" "$src/cgame" "$src/ui"
    leave='sleep 301 & echo $! >>"%s"\n(trap "" TERM; exec sleep 302) & echo $! >>"%s"\n'
    printf "$leave" "$pids" "$pids" >"$src/game/gamebak.bat"
    printf "${leave}echo \$\$ >>\"%s\"\nwait\n" "$pids" "$pids" "$pids" >"$src/cgame/cgamebak.bat"
    printf '%s\r\n' "$src" >"$work/ending.kws"
    none_left() {
        for pid in $(cat "$pids"); do
            ps -o stat= -p "$pid" | grep -qv Z && fail "process $pid $1 is still running"
        done
        : >"$pids"
    }
    start_kelto "$work/ending.kws"
    keys alt+b g
    sleep 4 # the grace period (2 s) and a margin
    none_left "that the game build left"
    keys ctrl+n
    timeout 20 xdotool type --clearmodifiers --delay 30 -- "unsaved at SIGTERM" || fail "xdotool type"
    keys alt+b c
    sleep 1
    [ "$(wc -l <"$pids")" = 3 ] || fail "the cgame build did not start"
    kill -TERM "$kelto_pid"
    wait_until 5 ended "$kelto_pid" || fail "Kelto did not end on SIGTERM"
    wait "$kelto_pid"
    status=$?
    kelto_pid=""
    [ "$status" = 143 ] || fail "Kelto ended with status $status on SIGTERM, not as the signal ends it"
    sleep 0.5
    none_left "of the cgame build"
    grep -rqs "unsaved at SIGTERM" "$XDG_STATE_HOME/Kelto/recovery" ||
        fail "no recovery copy holds the text unsaved at SIGTERM"
    rm -rf "$XDG_STATE_HOME/Kelto/recovery"
}
processes_end_with_the_build

echo "PASS: framed at its first-run size, wizard walked with Enter, typed, saved through the file dialog, exited, settings written, placement restored"
echo "PASS: workspace opened, game built with the stand-in compiler, its error opened at its line"
echo "PASS: Run Mod built the game, copied its QVM into the mod folder and started the engine with the mod; Package Mod packed it"
echo "PASS: a second start handed its file over"
echo "PASS: a save past the file-size limit was refused with its reason; file and text kept"
echo "PASS: what a build left running ended with it; SIGTERM ended Kelto, its build and the build's children, and kept the unsaved text"
exit 0
