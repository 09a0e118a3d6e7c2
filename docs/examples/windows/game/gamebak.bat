@echo off
rem Build template of the game module (gamebak.bat). Kelto copies it to gamerev.bat after
rem two lines of its own that change to the drive and to this module directory, then runs it.
rem q3lcc and q3asm come with the Quake III Arena source (its bin folder must be on PATH).
if not exist vm mkdir vm
cd vm
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_main.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_misc.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_lib.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_pmove.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../bg_slidemove.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../q_math.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../q_shared.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_dmnet.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_dmq3.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_main.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_chat.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_cmd.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_team.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../ai_vcmd.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_active.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_arenas.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_bot.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_client.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_cmds.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_combat.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_items.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_mem.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_misc.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_missile.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_mover.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_session.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_spawn.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_svcmds.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_target.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_team.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_trigger.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_utils.c
@if errorlevel 1 goto quit
q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g ../g_weapon.c
@if errorlevel 1 goto quit
q3asm -f ../game
:quit
cd ..
pause
