@echo off
rem Build template of the cgame module (the client side, cgame.qvm). Keep it in the cgame folder
rem as cgamebak.bat. Kelto copies it to cgamerev.bat after two lines of its own (the drive, and
rem a cd to this folder) and runs that with cmd.exe in its build window. lcc (the release's
rem lcc\bin, with q3cpp and q3rcc) and q3asm must be on PATH. This compiles the files
rem cgame.q3asm lists into vm\, stops at the first one that fails with a non-zero exit, and
rem assembles vm\cgame.qvm. cg_syscalls.c and cg_newdraw.c are left out: they stop a VM build
rem with #error (..\cg_syscalls.asm is assembled instead).
if not exist vm mkdir vm
cd vm
set cc=lcc -DQ3_VM -DCGAME -S -Wf-target=bytecode -Wf-g -I..\..\cgame -I..\..\game -I..\..\ui

call :compile ../cg_main.c
if errorlevel 1 goto failed
call :compile ../cg_consolecmds.c
if errorlevel 1 goto failed
call :compile ../cg_draw.c
if errorlevel 1 goto failed
call :compile ../cg_drawtools.c
if errorlevel 1 goto failed
call :compile ../cg_effects.c
if errorlevel 1 goto failed
call :compile ../cg_ents.c
if errorlevel 1 goto failed
call :compile ../cg_event.c
if errorlevel 1 goto failed
call :compile ../cg_info.c
if errorlevel 1 goto failed
call :compile ../cg_localents.c
if errorlevel 1 goto failed
call :compile ../cg_marks.c
if errorlevel 1 goto failed
call :compile ../cg_players.c
if errorlevel 1 goto failed
call :compile ../cg_playerstate.c
if errorlevel 1 goto failed
call :compile ../cg_predict.c
if errorlevel 1 goto failed
call :compile ../cg_scoreboard.c
if errorlevel 1 goto failed
call :compile ../cg_servercmds.c
if errorlevel 1 goto failed
call :compile ../cg_snapshot.c
if errorlevel 1 goto failed
call :compile ../cg_view.c
if errorlevel 1 goto failed
call :compile ../cg_weapons.c
if errorlevel 1 goto failed
call :compile ../../game/bg_slidemove.c
if errorlevel 1 goto failed
call :compile ../../game/bg_pmove.c
if errorlevel 1 goto failed
call :compile ../../game/bg_lib.c
if errorlevel 1 goto failed
call :compile ../../game/bg_misc.c
if errorlevel 1 goto failed
call :compile ../../game/q_math.c
if errorlevel 1 goto failed
call :compile ../../game/q_shared.c
if errorlevel 1 goto failed

q3asm -f ../cgame
rem q3asm ends with exit code 0 even when it found errors; it removes the old file first.
if not exist cgame.qvm goto failed
echo Built vm\cgame.qvm
exit /b 0
:failed
exit /b 1

:compile
echo %~1
%cc% %~1
goto :eof
