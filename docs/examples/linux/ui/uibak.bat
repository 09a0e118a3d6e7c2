# Build template of the ui module (the menus, ui.qvm; the release's code/q3_ui folder). Keep it
# in the ui folder as uibak.bat (the same name on Linux). Kelto copies it to uirev.bat after a
# "#!/bin/sh" line and a cd to this folder, and runs that with /bin/sh in its build window.
# q3lcc (which runs q3cpp and q3rcc) and q3asm come from the Quake III Arena source release; the
# folder holding them must be on PATH (see the user guide). This compiles the files ui.q3asm
# lists into vm/, stops at the first one that fails with a non-zero exit, and assembles
# vm/ui.qvm. ui_syscalls.c is left out: it stops a VM build with #error
# (../../ui/ui_syscalls.asm is assembled instead).
mkdir -p vm && cd vm || exit 1

compile() {
    echo "$1"
    q3lcc -DQ3_VM -S -Wf-target=bytecode -Wf-g -I../../cgame -I../../game -I../../ui "$1" || exit 1
}

compile ../ui_main.c
compile ../ui_gameinfo.c
compile ../ui_atoms.c
compile ../ui_cinematics.c
compile ../ui_connect.c
compile ../ui_controls2.c
compile ../ui_demo2.c
compile ../ui_mfield.c
compile ../ui_credits.c
compile ../ui_menu.c
compile ../ui_ingame.c
compile ../ui_confirm.c
compile ../ui_setup.c
compile ../ui_options.c
compile ../ui_display.c
compile ../ui_sound.c
compile ../ui_network.c
compile ../ui_playermodel.c
compile ../ui_players.c
compile ../ui_playersettings.c
compile ../ui_preferences.c
compile ../ui_qmenu.c
compile ../ui_serverinfo.c
compile ../ui_servers2.c
compile ../ui_sparena.c
compile ../ui_specifyserver.c
compile ../ui_sppostgame.c
compile ../ui_splevel.c
compile ../ui_spskill.c
compile ../ui_startserver.c
compile ../ui_team.c
compile ../ui_video.c
compile ../ui_addbots.c
compile ../ui_removebots.c
compile ../ui_teamorders.c
compile ../ui_cdkey.c
compile ../ui_mods.c
compile ../../game/bg_misc.c
compile ../../game/bg_lib.c
compile ../../game/q_math.c
compile ../../game/q_shared.c

q3asm -f ../ui || exit 1
# q3asm ends with exit code 0 even when it found errors; it removes the old file first.
test -f ui.qvm || exit 1
echo "Built $(pwd)/ui.qvm"
