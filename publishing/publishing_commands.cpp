// The main window's commands that open the options dialog and the publishing wizard.
#include "WizardPage.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "frmOptions.h"
#include "platform/Services.h"

void frmMain::mnuToolsOptions_Click() {
    frmOptions dialog(program, this);
    dialog.Form_Load();
    program.services.RunModal(dialog);
}

// The item is created disabled; were it enabled, it would do what Tools > Options does.
void frmMain::mnuViewOptions_Click() {
    mnuToolsOptions_Click();
}

void frmMain::mnuBuildUpload_Click() {
    WizardPage::ShowPage(program, WizardPage::FirstPage);
}
