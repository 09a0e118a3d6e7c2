// Edit > Cut, Copy, Paste and Undo. The clipboard commands move plain text only between the
// system clipboard and the active source window's selection. Each step that reaches for the
// active window's control is skipped when there is none (no child, or not a source window);
// none of them recolours text or marks the window changed. Text leaves for the clipboard with
// the platform's line breaks; pasted text of any style becomes CR LF inside the control.
#include <QClipboard>
#include <QGuiApplication>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/TextFile.h"

void frmMain::mnuEditCut_Click() {
    if (ActiveIsBrowser())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    ResumeNext([&] { clipboard->clear(); });
    ResumeNext([&] { clipboard->setText(TextFile::WithPlatformBreaks(ActiveCode().SelText())); });
    ResumeNext([&] { ActiveCode().SetSelText(QString()); });
}

void frmMain::mnuEditCopy_Click() {
    if (ActiveIsBrowser())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    ResumeNext([&] { clipboard->clear(); });
    ResumeNext([&] { clipboard->setText(TextFile::WithPlatformBreaks(ActiveCode().SelText())); });
}

void frmMain::mnuEditPaste_Click() {
    if (ActiveIsBrowser())
        return;
    const QString text = QGuiApplication::clipboard()->text(); // empty when it holds no text
    ResumeNext([&] { ActiveCode().SetSelText(text); });
}

void frmMain::mnuEditUndo_Click() {
    program.services.MsgBox(this, QStringLiteral("Add 'mnuEditUndo_Click' code."), MsgButtons::OK,
                            MsgIcon::None, program.App.Title);
}
