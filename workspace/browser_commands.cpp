// The File Browser item of the Window menu, showing a directory in the browser, and the
// timer's pending-file step.
#include <QAction>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/PathStyle.h"
#include "workspace/frmBrows.h"

void frmMain::mnuWindowFile_Click() {
    // The item is a checkable action, which flips its own mark before this handler runs; the
    // mark always tells whether the browser is open (closing it by its close box clears it),
    // so the browser itself says which way to go.
    if (Brows) {
        Brows->close();
        Brows.clear();
        mnuWindowFile->setChecked(false);
    } else {
        ShowFileBrowser();
    }
}

void frmMain::ShowFileBrowser() {
    if (!Brows) {
        Brows = new frmBrows(program);
        // However the browser closes, the menu item loses its mark and the slot its window:
        // a browser that is closing is no longer the one to show.
        connect(Brows, &frmBrows::Unloaded, this, [this] {
            Brows.clear();
            mnuWindowFile->setChecked(false);
        });
        Brows->Form_Load();
    }
    ShowChild(Brows);
    mnuWindowFile->setChecked(true);
}

void frmMain::ShowInBrowser(const QString& directory) {
    // A closed browser is left closed; it starts at its start directory when shown again.
    if (Brows)
        Brows->ShowDirectory(directory);
}

void frmMain::PendingOpenFileStep() {
    Module1& m = program.module1;
    if (m.PendingOpenFile.isEmpty())
        return;
    // The slot is emptied before the file opens: a message box about an unreadable file lets
    // the timer tick again, which must not open the same file once more.
    const QString path = m.PendingOpenFile;
    m.PendingOpenFile.clear();
    OpenDocument(path);
}
