@echo off
rem Build template of the ui module (the menus, ui.qvm; the release's code/q3_ui folder). Keep
rem it in the ui folder as uibak.bat. Kelto copies it to uirev.bat after two lines of its own
rem (the drive, and a cd to this folder) and runs that with cmd.exe in its build window. lcc
rem (the release's lcc\bin, with q3cpp and q3rcc) and q3asm must be on PATH. This compiles the
rem files ui.q3asm lists into vm\, stops at the first one that fails with a non-zero exit, and
rem assembles vm\ui.qvm. ui_syscalls.c is left out: it stops a VM build with #error
rem (..\..\ui\ui_syscalls.asm is assembled instead).
if not exist vm mkdir vm
cd vm
set cc=lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g -I..\..\cgame -I..\..\game -I..\..\ui

call :compile ../ui_main.c
if errorlevel 1 goto failed
call :compile ../ui_gameinfo.c
if errorlevel 1 goto failed
call :compile ../ui_atoms.c
if errorlevel 1 goto failed
call :compile ../ui_cinematics.c
if errorlevel 1 goto failed
call :compile ../ui_connect.c
if errorlevel 1 goto failed
call :compile ../ui_controls2.c
if errorlevel 1 goto failed
call :compile ../ui_demo2.c
if errorlevel 1 goto failed
call :compile ../ui_mfield.c
if errorlevel 1 goto failed
call :compile ../ui_credits.c
if errorlevel 1 goto failed
call :compile ../ui_menu.c
if errorlevel 1 goto failed
call :compile ../ui_ingame.c
if errorlevel 1 goto failed
call :compile ../ui_confirm.c
if errorlevel 1 goto failed
call :compile ../ui_setup.c
if errorlevel 1 goto failed
call :compile ../ui_options.c
if errorlevel 1 goto failed
call :compile ../ui_display.c
if errorlevel 1 goto failed
call :compile ../ui_sound.c
if errorlevel 1 goto failed
call :compile ../ui_network.c
if errorlevel 1 goto failed
call :compile ../ui_playermodel.c
if errorlevel 1 goto failed
call :compile ../ui_players.c
if errorlevel 1 goto failed
call :compile ../ui_playersettings.c
if errorlevel 1 goto failed
call :compile ../ui_preferences.c
if errorlevel 1 goto failed
call :compile ../ui_qmenu.c
if errorlevel 1 goto failed
call :compile ../ui_serverinfo.c
if errorlevel 1 goto failed
call :compile ../ui_servers2.c
if errorlevel 1 goto failed
call :compile ../ui_sparena.c
if errorlevel 1 goto failed
call :compile ../ui_specifyserver.c
if errorlevel 1 goto failed
call :compile ../ui_sppostgame.c
if errorlevel 1 goto failed
call :compile ../ui_splevel.c
if errorlevel 1 goto failed
call :compile ../ui_spskill.c
if errorlevel 1 goto failed
call :compile ../ui_startserver.c
if errorlevel 1 goto failed
call :compile ../ui_team.c
if errorlevel 1 goto failed
call :compile ../ui_video.c
if errorlevel 1 goto failed
call :compile ../ui_addbots.c
if errorlevel 1 goto failed
call :compile ../ui_removebots.c
if errorlevel 1 goto failed
call :compile ../ui_teamorders.c
if errorlevel 1 goto failed
call :compile ../ui_cdkey.c
if errorlevel 1 goto failed
call :compile ../ui_mods.c
if errorlevel 1 goto failed
call :compile ../../game/bg_misc.c
if errorlevel 1 goto failed
call :compile ../../game/bg_lib.c
if errorlevel 1 goto failed
call :compile ../../game/q_math.c
if errorlevel 1 goto failed
call :compile ../../game/q_shared.c
if errorlevel 1 goto failed

q3asm -f ../ui
rem q3asm ends with exit code 0 even when it found errors; it removes the old file first.
if not exist ui.qvm goto failed
echo Built vm\ui.qvm
exit /b 0
:failed
exit /b 1

:compile
echo %~1
%cc% %~1
goto :eof
