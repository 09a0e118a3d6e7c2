@echo off
rem Build template of the game module (the server side, qagame.qvm). Keep it in the game folder
rem as gamebak.bat. Kelto copies it to gamerev.bat after two lines of its own (the drive, and a
rem cd to this folder) and runs that with cmd.exe in its build window. lcc (the release's
rem lcc\bin, with q3cpp and q3rcc) and q3asm must be on PATH. This compiles the files game.q3asm
rem lists into vm\, stops at the first one that fails with a non-zero exit, and assembles
rem vm\qagame.qvm. g_syscalls.c is left out: it stops a VM build with #error (..\g_syscalls.asm
rem is assembled instead).
if not exist vm mkdir vm
cd vm
set cc=lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g -I..\..\cgame -I..\..\game -I..\..\ui

call :compile ../g_main.c
if errorlevel 1 goto failed
call :compile ../bg_misc.c
if errorlevel 1 goto failed
call :compile ../bg_lib.c
if errorlevel 1 goto failed
call :compile ../bg_pmove.c
if errorlevel 1 goto failed
call :compile ../bg_slidemove.c
if errorlevel 1 goto failed
call :compile ../q_math.c
if errorlevel 1 goto failed
call :compile ../q_shared.c
if errorlevel 1 goto failed
call :compile ../ai_dmnet.c
if errorlevel 1 goto failed
call :compile ../ai_dmq3.c
if errorlevel 1 goto failed
call :compile ../ai_team.c
if errorlevel 1 goto failed
call :compile ../ai_main.c
if errorlevel 1 goto failed
call :compile ../ai_chat.c
if errorlevel 1 goto failed
call :compile ../ai_cmd.c
if errorlevel 1 goto failed
call :compile ../ai_vcmd.c
if errorlevel 1 goto failed
call :compile ../g_active.c
if errorlevel 1 goto failed
call :compile ../g_arenas.c
if errorlevel 1 goto failed
call :compile ../g_bot.c
if errorlevel 1 goto failed
call :compile ../g_client.c
if errorlevel 1 goto failed
call :compile ../g_cmds.c
if errorlevel 1 goto failed
call :compile ../g_combat.c
if errorlevel 1 goto failed
call :compile ../g_items.c
if errorlevel 1 goto failed
call :compile ../g_mem.c
if errorlevel 1 goto failed
call :compile ../g_misc.c
if errorlevel 1 goto failed
call :compile ../g_missile.c
if errorlevel 1 goto failed
call :compile ../g_mover.c
if errorlevel 1 goto failed
call :compile ../g_session.c
if errorlevel 1 goto failed
call :compile ../g_spawn.c
if errorlevel 1 goto failed
call :compile ../g_svcmds.c
if errorlevel 1 goto failed
call :compile ../g_target.c
if errorlevel 1 goto failed
call :compile ../g_team.c
if errorlevel 1 goto failed
call :compile ../g_trigger.c
if errorlevel 1 goto failed
call :compile ../g_utils.c
if errorlevel 1 goto failed
call :compile ../g_weapon.c
if errorlevel 1 goto failed

q3asm -f ../game
rem q3asm ends with exit code 0 even when it found errors; it removes the old file first.
if not exist qagame.qvm goto failed
echo Built vm\qagame.qvm
exit /b 0
:failed
exit /b 1

:compile
echo %~1
%cc% %~1
goto :eof
