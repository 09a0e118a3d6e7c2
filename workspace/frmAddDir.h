// The New Workspace dialog "Find Quake 3 Source Dir": a child window of the main window in
// which the user picks the game's source directory. However it is closed, it asks where to save
// the workspace file, writes it, and hands the directory to the main window through the
// program-wide PendingSourceDir slot. The main window holds the one instance (frmMain::AddDir);
// it is deleted when closed.
#pragma once

#include <QMdiSubWindow>

#include "platform/CommonDialog.h"

class DirListBox;
class DriveListBox;
class Program;
class QPushButton;

class frmAddDir : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit frmAddDir(Program& program, QWidget* parent = nullptr);

    DriveListBox* Drive1 = nullptr;
    DirListBox* DirList = nullptr;
    QPushButton* cmdAdd = nullptr;
    CommonDialog dlgCommonDialog;

    // Handlers.
    void Drive1_Change();
    void cmdAdd_Click();
    void Form_Unload();

signals:
    // The window is closing, however it was closed.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Report(const QString& message);
    Program& program;
    bool unloaded = false;
};
