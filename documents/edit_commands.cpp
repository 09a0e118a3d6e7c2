// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

void frmMain::mnuEditCut_Click() {}
void frmMain::mnuEditCopy_Click() {}
void frmMain::mnuEditPaste_Click() {}
void frmMain::mnuEditUndo_Click() {}
