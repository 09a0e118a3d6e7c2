// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

void frmMain::mnuHelpContents_Click() {}
void frmMain::mnuHelpSearchForHelpOn_Click() {}
void frmMain::ShowHelp(std::uint32_t) {}
void frmMain::mnuHelpAbout_Click() {}
