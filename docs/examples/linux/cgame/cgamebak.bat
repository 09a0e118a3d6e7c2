# Build template of the cgame module (the client side, cgame.qvm). Keep it in the cgame folder
# as cgamebak.bat (the same name on Linux). Kelto copies it to cgamerev.bat after a "#!/bin/sh"
# line and a cd to this folder, and runs that with /bin/sh in its build window. q3lcc (which
# runs q3cpp and q3rcc) and q3asm come from the Quake III Arena source release; the folder
# holding them must be on PATH (see the user guide). This compiles the files cgame.q3asm lists
# into vm/, stops at the first one that fails with a non-zero exit, and assembles vm/cgame.qvm.
# cg_syscalls.c and cg_newdraw.c are left out: they stop a VM build with #error
# (../cg_syscalls.asm is assembled instead).
mkdir -p vm && cd vm || exit 1

compile() {
    echo "$1"
    q3lcc -DQ3_VM -DCGAME -S -Wf-target=bytecode -Wf-g -I../../cgame -I../../game -I../../ui "$1" || exit 1
}

compile ../cg_main.c
compile ../cg_consolecmds.c
compile ../cg_draw.c
compile ../cg_drawtools.c
compile ../cg_effects.c
compile ../cg_ents.c
compile ../cg_event.c
compile ../cg_info.c
compile ../cg_localents.c
compile ../cg_marks.c
compile ../cg_players.c
compile ../cg_playerstate.c
compile ../cg_predict.c
compile ../cg_scoreboard.c
compile ../cg_servercmds.c
compile ../cg_snapshot.c
compile ../cg_view.c
compile ../cg_weapons.c
compile ../../game/bg_slidemove.c
compile ../../game/bg_pmove.c
compile ../../game/bg_lib.c
compile ../../game/bg_misc.c
compile ../../game/q_math.c
compile ../../game/q_shared.c

q3asm -f ../cgame || exit 1
# q3asm ends with exit code 0 even when it found errors; it removes the old file first.
test -f cgame.qvm || exit 1
echo "Built $(pwd)/cgame.qvm"
