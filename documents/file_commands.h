// The two caption tests of the file commands, shared with the source window's save prompt, and
// the steps (the save dialog, the overwrite question) the prompt and the recovery of unsaved
// windows share with the commands.
#pragma once

#include <QString>

class CommonDialog;
class QWidget;
class Program;
class RichTextBox;
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

// Whether the window's text may be written to path: true unless another program changed,
// replaced or swapped the file since the window last read or wrote it and the user, asked,
// declined to overwrite it.
bool MayOverwrite(Program& program, QWidget* owner, const RichTextBox& code, const QString& path);
