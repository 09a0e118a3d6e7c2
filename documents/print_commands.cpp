// File > Print and File > Page Setup, through the main window's shared common dialog. Both run
// with errors ignored step by step; Print tests for the dialog's cancel (error 32755) before
// it hands the chosen printer to the source window's control.
#include "app/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"

void frmMain::mnuFilePrint_Click() {
    if (!ActiveForm() || ActiveIsBrowser())
        return;
    // The number of the last failed step stays readable, as for the cancel test below.
    int lastError = 0;
    auto step = [&lastError](auto&& action) {
        if (const int number = ResumeNext(action))
            lastError = number;
    };
    step([&] { dlgCommonDialog.DialogTitle = QStringLiteral("Print"); });
    step([&] { dlgCommonDialog.CancelError = true; });
    // 256: return the chosen printer; 8: no page-range fields; + 1: start on "Selection".
    step([&] { dlgCommonDialog.Flags = 264; });
    step([&] {
        if (ActiveCode().SelLength() != 0)
            dlgCommonDialog.Flags = dlgCommonDialog.Flags + 1;
    });
    step([&] { dlgCommonDialog.ShowPrinter(); });
    if (lastError == RuntimeError::CancelError)
        return;
    step([&] { ActiveCode().SelPrint(dlgCommonDialog.hDC()); });
}

void frmMain::mnuFilePageSetup_Click() {
    ResumeNext([&] { dlgCommonDialog.DialogTitle = QStringLiteral("Page Setup"); });
    ResumeNext([&] { dlgCommonDialog.CancelError = true; });
    ResumeNext([&] { dlgCommonDialog.ShowPrinter(); });
}
