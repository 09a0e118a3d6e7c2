// A source window: one child window of the main window holding the text of one file, or of a
// file not yet saved, in the rich text control `code`. Its caption is its identity: "Source N"
// while untitled, the file's full path once opened or saved. It marks itself changed when a
// key goes down, hands typed characters to the colouring engine through the program-wide
// one-key slot when `ccode` is set, reports caret moves, and asks whether to save on close.
// While its text is unsaved it keeps a recovery copy of it, written a few seconds after the
// typing stops (when the program keeps copies at all).
#pragma once

#include <QMdiSubWindow>

#include "platform/CommonDialog.h"

class Program;
class QTimer;
class RichTextBox;

class frmDocument : public QMdiSubWindow {
    Q_OBJECT
public:
    frmDocument(Program& program, QWidget* parent = nullptr);
    ~frmDocument() override;

    RichTextBox* code = nullptr;
    CommonDialog CommonDialog1;
    bool ccode = false; // colouring while typing is on; written by the main window

    // The caption, the window's identity: "Source N" or the file's full path, exactly as
    // set, whatever characters it holds ("[*]", "&"). The title bar shows it as written.
    QString Caption() const { return caption; }
    void SetCaption(const QString& text);

    bool Changed() const { return changed; }
    // For a window whose text comes back from a recovery copy: closing it asks to save.
    void MarkChanged() { changed = true; }

    // Writes the recovery copy now (or removes it when nothing is unsaved): false when a copy
    // was due and could not be written, which is told to the user once per run.
    bool WriteRecovery();
    // The text was saved or is being thrown away: its copy goes.
    void DropRecovery();

    // Handlers.
    void Form_Load();
    void Form_Resize();
    void code_KeyDown(int keyCode, int shift);
    void code_KeyPress(int& KeyAscii);
    void code_SelChange();
    // The save prompt. Returns false when the user chose to save and the text did not reach a
    // file (the Save dialog cancelled, overwriting declined, the save failed): the window then
    // stays open with its text, so nothing is lost.
    bool Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ScheduleRecovery();

    Program& program;
    QString caption;
    bool changed = false;
    // Recovery copy: written when the typing has stopped for a moment, and at the latest a
    // while after the first edit it does not hold yet.
    QTimer* recoveryIdle = nullptr;
    QTimer* recoveryDeadline = nullptr;
    QString recoveryName;
};
