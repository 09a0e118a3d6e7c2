// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

void frmMain::mnuFileOpen_Click() {}
void frmMain::OpenDocument(const QString&) {}
void frmMain::mnuFileSave_Click() {}
void frmMain::mnuFileSaveAs_Click() {}
void frmMain::mnuFileClose_Click() {}
