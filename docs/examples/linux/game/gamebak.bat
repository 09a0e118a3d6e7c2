# Build template of the game module (the server side, qagame.qvm). Keep it in the game folder as
# gamebak.bat (the same name on Linux). Kelto copies it to gamerev.bat after a "#!/bin/sh" line
# and a cd to this folder, and runs that with /bin/sh in its build window. q3lcc (which runs
# q3cpp and q3rcc) and q3asm come from the Quake III Arena source release; the folder holding
# them must be on PATH (see the user guide). This compiles the files game.q3asm lists into vm/,
# stops at the first one that fails with a non-zero exit, and assembles vm/qagame.qvm.
# g_syscalls.c is left out: it stops a VM build with #error (../g_syscalls.asm is assembled
# instead).
mkdir -p vm && cd vm || exit 1

compile() {
    echo "$1"
    q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g -I../../cgame -I../../game -I../../ui "$1" || exit 1
}

compile ../g_main.c
compile ../bg_misc.c
compile ../bg_lib.c
compile ../bg_pmove.c
compile ../bg_slidemove.c
compile ../q_math.c
compile ../q_shared.c
compile ../ai_dmnet.c
compile ../ai_dmq3.c
compile ../ai_team.c
compile ../ai_main.c
compile ../ai_chat.c
compile ../ai_cmd.c
compile ../ai_vcmd.c
compile ../g_active.c
compile ../g_arenas.c
compile ../g_bot.c
compile ../g_client.c
compile ../g_cmds.c
compile ../g_combat.c
compile ../g_items.c
compile ../g_mem.c
compile ../g_misc.c
compile ../g_missile.c
compile ../g_mover.c
compile ../g_session.c
compile ../g_spawn.c
compile ../g_svcmds.c
compile ../g_target.c
compile ../g_team.c
compile ../g_trigger.c
compile ../g_utils.c
compile ../g_weapon.c

q3asm -f ../game || exit 1
# q3asm ends with exit code 0 even when it found errors; it removes the old file first.
test -f qagame.qvm || exit 1
echo "Built $(pwd)/qagame.qvm"
