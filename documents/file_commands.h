// The two caption tests of the file commands, shared with the source window's save prompt, and
// the steps (the save routine, the colour step) the prompt and the recovery of unsaved windows
// share with the commands.
#pragma once

#include <QString>

class CommonDialog;
class QWidget;
class Program;
class frmDocument;
class frmMain;

// Untitled: the caption's first six characters are exactly "Source" (case-sensitive).
inline bool IsUntitled(const QString& caption) {
    return caption.startsWith(QLatin1String("Source"), Qt::CaseSensitive);
}

// Coloured as C source: the caption ends with exactly ".c" or ".h" (A.C or a.cpp do not).
inline bool PassesColourTest(const QString& caption) {
    return caption.endsWith(QLatin1String(".c"), Qt::CaseSensitive) ||
           caption.endsWith(QLatin1String(".h"), Qt::CaseSensitive);
}

// The save dialog of Save, Save As and a closing window's save prompt, titled title, for all
// files: the chosen path, or empty when the user cancelled.
QString AskSaveName(CommonDialog& dialog, const QString& title);

// Colours a window that has just been given a file name when the name is that of C source, and
// switches it to colouring while typing; never switches it off.
void ColourStep(frmMain& main, frmDocument& document);

// The one save of Save, Save As and the save prompt. With an empty dialogTitle the text goes to
// the window's own file (its caption); otherwise the save dialog titled dialogTitle asks for a
// name first (dialog: the main window's, or the closing window's own). Before writing it asks
// when the file is not what the window last read or wrote: a symbolic link the window did not
// find there (naming the link and its target; No is the default) or a file another program
// changed or replaced. The file written is then exactly the one asked about. Every failure is
// told in one wording, and the window keeps its text and caption. nameWindow: once the file
// holds the text, the caption becomes its path and the window is coloured as its name asks
// (Save and Save As; not the prompt, whose window is going away). True only when the text
// reached the file: a cancelled dialog, a No and a failure all give false.
bool SaveDocument(Program& program, QWidget* owner, frmDocument& document, CommonDialog& dialog,
                  const QString& dialogTitle, bool nameWindow);
