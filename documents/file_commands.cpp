// File > Open, Save, Save As and Close, and OpenDocument for the file browser's requests.
// A file that cannot be read or written is reported in a message box naming the path and the
// reason; the window keeps its text and caption, and the command ends there. A file that looks
// binary or mixes line-break styles is told once, when it opens; a file another program changed
// since the window last read or wrote it is overwritten only when the user says so.
#include "documents/file_commands.h"

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"

namespace {

const QString AllFiles = QStringLiteral("All Files (*.*)|*.*");

void ReportFailure(frmMain& main, const RuntimeError& error, const QString& consequence) {
    main.program.services.MsgBox(&main, error.Description + QStringLiteral("\n\n") + consequence,
                                 MsgButtons::OK, MsgIcon::Exclamation, main.program.App.Title);
}

// What the user should know of a file just opened: it does not look like text, or saving will
// write its line breaks in one style.
void TellAboutContents(frmMain& main, const QString& path, const LoadNotes& notes,
                       const TextFormat& format) {
    QString text;
    if (notes.binary) {
        text = QStringLiteral("%1 does not look like a text file: it holds NUL bytes.\n\nIt is "
                              "shown as text. Saved without changes, it is written back byte "
                              "for byte.");
    } else if (notes.mixedBreaks) {
        text = QStringLiteral("%1 mixes line-break styles.\n\nSaving it will write every line "
                              "break as ") +
               TextFile::BreakName(format.lineBreak) +
               QStringLiteral(", the style of its first line break.");
    } else {
        return;
    }
    main.program.services.MsgBox(&main, text.arg(path), MsgButtons::OK, MsgIcon::Information,
                                 main.program.App.Title);
}

// Loads path into the active window (just made by NewDocument) and names the window after it.
void LoadIntoActive(frmMain& main, const QString& path) {
    frmDocument* document = main.ActiveDocument();
    if (!document || !document->code) {
        return;
    }
    LoadNotes notes;
    try {
        notes = document->code->LoadFile(path, 1);
    } catch (const RuntimeError& error) {
        ReportFailure(main, error, QStringLiteral("The file was not opened."));
        return;
    }
    document->SetCaption(path);
    ColourStep(main, *document);
    TellAboutContents(main, path, notes, document->code->FileFormat());
}

// Writes the window's whole text to path. The caption is set only once the file holds the
// text, so a caption never names a file the text did not reach. False when it failed.
bool SaveTo(frmMain& main, frmDocument& document, const QString& path, bool rename) {
    if (!MayOverwrite(main.program, &main, *document.code, path)) {
        return false;
    }
    try {
        document.code->SaveFile(path, 1);
    } catch (const RuntimeError& error) {
        ReportFailure(main, error,
                      QStringLiteral("The text was not saved; it is still in its window."));
        return false;
    }
    document.DropRecovery();
    if (rename) {
        document.SetCaption(path);
    }
    return true;
}

// Save As, and Save of an untitled window: ask for a name, save there, colour.
void SaveUnderNewName(frmMain& main, frmDocument& document, const QString& title) {
    const QString path = AskSaveName(main.dlgCommonDialog, title);
    if (path.isEmpty()) {
        return;
    }
    if (SaveTo(main, document, path, true)) {
        ColourStep(main, document);
    }
}

} // namespace

QString AskSaveName(CommonDialog& dialog, const QString& title) {
    return dialog.ShowSave(title, AllFiles);
}

void ColourStep(frmMain& main, frmDocument& document) {
    if (!PassesColourTest(document.Caption())) {
        return;
    }
    main.CPPHighlight();
    document.ccode = true;
}

bool MayOverwrite(Program& program, QWidget* owner, const RichTextBox& code, const QString& path) {
    if (!code.ChangedOnDisk(path)) {
        return true;
    }
    const QString question =
        QStringLiteral("%1 has been changed by another program since Kelto last opened or saved "
                       "it.\n\nDo you want to overwrite it with the text of this window?")
            .arg(path);
    return program.services.MsgBox(owner, question, MsgButtons::YesNo, MsgIcon::Exclamation,
                                   program.App.Title) == MsgAnswer::Yes;
}

void frmMain::mnuFileOpen_Click() {
    NewDocument();
    const QString path = dlgCommonDialog.ShowOpen(QStringLiteral("Open"), AllFiles);
    if (path.isEmpty()) {
        return; // the new, empty window stays
    }
    LoadIntoActive(*this, path);
}

void frmMain::OpenDocument(const QString& path) {
    NewDocument();
    LoadIntoActive(*this, path);
}

void frmMain::mnuFileSave_Click() {
    frmDocument* document = ActiveDocument();
    if (!document || !document->code) {
        return;
    }
    if (!IsUntitled(document->Caption())) {
        SaveTo(*this, *document, document->Caption(), false);
        return;
    }
    SaveUnderNewName(*this, *document, QStringLiteral("Save"));
}

void frmMain::mnuFileSaveAs_Click() {
    frmDocument* document = ActiveDocument();
    if (!document || !document->code) {
        return;
    }
    SaveUnderNewName(*this, *document, QStringLiteral("Save As"));
}

void frmMain::mnuFileClose_Click() {
    QMdiSubWindow* child = ActiveForm();
    if (!child || ActiveIsBrowser()) {
        return;
    }
    child->close(); // as the window's own close box: a source window runs its save prompt
}
