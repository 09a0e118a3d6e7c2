# Build template of the game module (gamebak.bat, kept in the game folder under this name on
# Linux too). Kelto copies it to gamerev.bat after a "#!/bin/sh" line and a cd to this module
# directory, makes that executable and runs it in a terminal window.
# q3lcc and q3asm come with the Quake III Arena source (their folder must be on PATH).
set -e
mkdir -p vm
cd vm
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_main.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_misc.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_lib.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_pmove.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_slidemove.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../q_math.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../q_shared.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_dmnet.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_dmq3.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_main.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_chat.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_cmd.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_team.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_vcmd.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_active.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_arenas.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_bot.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_client.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_cmds.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_combat.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_items.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_mem.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_misc.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_missile.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_mover.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_session.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_spawn.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_svcmds.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_target.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_team.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_trigger.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_utils.c
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_weapon.c
q3asm -f ../game
echo "Built vm/qagame.qvm"
printf "Press Enter to close. "
read -r _
