#!/usr/bin/env bash
# Demonstrates the workspace, the file browser and the Build commands in the real program under
# a virtual X display: a game source tree (cgame/, game/, ui/ with .c files and build templates
# that call a stand-in compiler), File > Open Workspace, a double-click on a .c file in the file
# browser, Build > Build game QVM in its build window. Screenshots go to docs/.
#
#   scripts/demo-workspace.sh [build-folder]      (default: build-workspace)
#
# Needs: xvfb-run, xdotool and ImageMagick's import (apt-get install -y xvfb xdotool imagemagick).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-workspace}
kelto="$repo/$build/kelto"
docs="$repo/docs"
[ -x "$kelto" ] || { echo "no program at $kelto; build it first" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] || [ "${KELTO_DEMO_INNER:-}" != 1 ]; then
    exec env KELTO_DEMO_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/kelto-demo.XXXXXX)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
# Nobody's settings: a throwaway store with a roomier main window than the first-run default.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -p "$XDG_CONFIG_HOME/Kelto"
printf '[Settings]\nMainLeft=600\nMainTop=600\nMainWidth=14000\nMainHeight=11000\n' \
    > "$XDG_CONFIG_HOME/Kelto/Kelto.ini"
src="$work/q3src"

# The game's source tree, with a stand-in for the QVM compiler.
mkdir -p "$src/bin" "$src/cgame" "$src/game" "$src/ui"
cat > "$src/bin/q3lcc" <<'SH'
#!/bin/sh
# Stand-in compiler: "compiles" each .c file to a .asm file and says so.
for f in "$@"; do
    echo "q3lcc: compiling $f"
    sed 's/^/; /' "$f" > "${f%.c}.asm"
done
SH
chmod +x "$src/bin/q3lcc"
source_file() { # path, comment
    printf '// %s\n#include "q_shared.h"\n\nint vmMain(int command) {\n    return 0; // nothing yet\n}\n' "$2" > "$1"
}
source_file "$src/cgame/cg_main.c" "client game entry"
source_file "$src/game/ai_main.c" "bot entry"
source_file "$src/game/g_main.c" "server game entry"
source_file "$src/ui/ui_main.c" "user interface entry"
for module in cgame game ui; do
    printf '#define MODULE "%s"\n' "$module" > "$src/$module/${module}_local.h"
    # Templates as a Windows user keeps them: CR LF line breaks.
    printf '../bin/q3lcc *.c\r\necho "%s.qvm built"\r\nsleep 60\r\n' "$module" \
        > "$src/$module/${module}bak.bat"
done
printf '%s\r\n' "$src" > "$work/demo.kws"

shot() { sleep 1; import -window root "$docs/$1"; echo "screenshot docs/$1"; }

"$kelto" & pid=$!
for _ in $(seq 50); do
    win=$(xdotool search --onlyvisible --name '^Kelto$' 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.2
done
[ -n "${win:-}" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 1
xdotool windowfocus "$win" || true
shot workspace-1-start.png

# File > Open Workspace... (the fifth item of the File menu), then the .kws file's path.
xdotool key --window "$win" alt+f
sleep 0.5
xdotool key Down Down Down Down Return
sleep 1
shot workspace-2-open-dialog.png
xdotool key ctrl+a
xdotool type --delay 20 "$work/demo.kws"
xdotool key Return
shot workspace-3-browser-at-workspace.png

# Open the game module's directory in the directory list, then double-click its first file
# (ai_main.c) in the file list; the file opens at the main window's next timer tick.
row() { echo $((114 + 18 * $1)); } # the directory list's rows, in window coordinates
xdotool mousemove --window "$win" 77 "$(row 6)" click --repeat 2 --delay 80 1
sleep 0.5
xdotool mousemove --window "$win" 250 83 click --repeat 2 --delay 80 1
shot workspace-4-file-opened.png

# Build > Build game QVM: the script is written beside the template and runs in the build window.
xdotool key --window "$win" alt+b
sleep 0.5
xdotool key g
sleep 3
shot workspace-5-build-game.png

echo "--- $src/game/gamerev.bat"
cat "$src/game/gamerev.bat"
echo "--- the stand-in compiler's output"
ls "$src/game"
[ -f "$src/game/ai_main.asm" ] && [ -f "$src/game/g_main.asm" ] && echo "game built"
