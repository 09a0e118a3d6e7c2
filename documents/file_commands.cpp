// File > Open, Save, Save As and Close, and OpenDocument for the file browser's requests.
// A file that cannot be read or written is reported in a message box naming the path and the
// reason; the window keeps its text and caption, and the command ends there. A file that looks
// binary or mixes line-break styles is told once, when it opens. Every save, the save prompt's
// too, goes through SaveDocument: a file another program changed since the window last read or
// wrote it, or a symbolic link put in its place, is written only when the user says so.
#include "documents/file_commands.h"

#include "app/Program.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/TextFile.h"

#include <QDir>
#include <new>
#include <optional>

namespace {

const QString AllFiles = QStringLiteral("All Files (*.*)|*.*");

void ReportFailure(Program& program, QWidget* owner, const RuntimeError& error,
                   const QString& consequence) {
    program.services.MsgBox(owner, error.Description + QStringLiteral("\n\n") + consequence,
                            MsgButtons::OK, MsgIcon::Exclamation, program.App.Title);
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
        ReportFailure(main.program, &main, error, QStringLiteral("The file was not opened."));
        return;
    }
    document->SetCaption(path);
    ColourStep(main, *document);
    TellAboutContents(main, path, notes, document->code->FileFormat());
}

// The file the window's text may be written to at path, as it is now, once the user has agreed
// where that needs asking; nothing when the user said No. A symbolic link the window did not find
// there when it last read or wrote path (another user may have swapped the file for a link to
// one of this user's files) is named with its target, No being the default; a file another
// program changed or replaced since then is named too.
std::optional<FileStamp> AgreedTarget(Program& program, QWidget* owner, const RichTextBox& code,
                                      const QString& path) {
    const FileStamp now = TextFile::Stamp(path);
    const FileStamp& then = code.DiskStamp();
    const bool known = path == code.StampPath() && then.exists;
    QString question;
    MsgButtons buttons = MsgButtons::YesNo;
    if (now.symLink &&
        !(known && then.symLink && then.device == now.device && then.inode == now.inode)) {
        question = QStringLiteral("%1 is a symbolic link to %2, which is not the file this window "
                                  "was opened from or last saved to.\n\nDo you want to write the "
                                  "text of this window to %2?")
                       .arg(QDir::toNativeSeparators(path),
                            QDir::toNativeSeparators(TextFile::LinkTarget(path)));
        buttons = MsgButtons::YesNoDefaultNo;
    } else if (known && now.exists && now != then) {
        question = QStringLiteral("%1 has been changed by another program since Kelto last opened "
                                  "or saved it.\n\nDo you want to overwrite it with the text of "
                                  "this window?")
                       .arg(path);
    } else {
        return now;
    }
    if (program.services.MsgBox(owner, question, buttons, MsgIcon::Exclamation,
                                program.App.Title) != MsgAnswer::Yes)
        return std::nullopt;
    // The file the user was asked about, and no other: one put in its place while the question
    // was open is refused.
    return now;
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

bool SaveDocument(Program& program, QWidget* owner, frmDocument& document, CommonDialog& dialog,
                  const QString& dialogTitle, bool nameWindow) {
    const QString path =
        dialogTitle.isEmpty() ? document.Caption() : AskSaveName(dialog, dialogTitle);
    if (path.isEmpty())
        return false; // cancelled
    const std::optional<FileStamp> agreed = AgreedTarget(program, owner, *document.code, path);
    if (!agreed)
        return false;
    try {
        try {
            document.code->SaveFile(path, 1, &*agreed);
        } catch (const std::bad_alloc&) { // no room for the file's bytes beside the text
            throw TextFile::OutOfMemory(QStringLiteral("Cannot save"), path);
        }
    } catch (const RuntimeError& error) {
        ReportFailure(program, owner, error,
                      QStringLiteral("The text was not saved; it is still in its window."));
        return false;
    }
    document.DropRecovery();
    // The caption names the file only now that the file holds the text.
    if (nameWindow && !dialogTitle.isEmpty()) {
        document.SetCaption(path);
        if (program.mainWindow)
            ColourStep(*program.mainWindow, document);
    }
    return true;
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
    const bool untitled = IsUntitled(document->Caption());
    SaveDocument(program, this, *document, dlgCommonDialog,
                 untitled ? QStringLiteral("Save") : QString(), true);
}

void frmMain::mnuFileSaveAs_Click() {
    frmDocument* document = ActiveDocument();
    if (!document || !document->code) {
        return;
    }
    SaveDocument(program, this, *document, dlgCommonDialog, QStringLiteral("Save As"), true);
}

void frmMain::mnuFileClose_Click() {
    QMdiSubWindow* child = ActiveForm();
    if (!child || ActiveIsBrowser()) {
        return;
    }
    child->close(); // as the window's own close box: a source window runs its save prompt
}
