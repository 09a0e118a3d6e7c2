// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

void frmMain::mnuBuildcgameQVM_Click() {}
void frmMain::mnuBuildgameQVM_Click() {}
void frmMain::mnuBuilduiQVM_Click() {}
void frmMain::Build(const BuildModule&) {}
