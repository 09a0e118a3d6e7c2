// UNBUILT: placeholder bodies so the program links until this subsystem is built.
#include "app/frmMain.h"

void frmMain::tbToolBar_ButtonClick(const QString&) {}
void frmMain::mnuViewToolbar_Click() {}
void frmMain::mnuViewStatusBar_Click() {}
void frmMain::mnuWindowNewWindow_Click() {}
void frmMain::mnuWindowCascade_Click() {}
void frmMain::mnuWindowTileHorizontal_Click() {}
void frmMain::mnuWindowTileVertical_Click() {}
void frmMain::mnuWindowArrangeIcons_Click() {}
void frmMain::Arrange(int) {}
void frmMain::mnuFileProperties_Click() {}
