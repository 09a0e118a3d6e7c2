// The file browser: a child window of the main window with a drive list, a directory list and a
// file list. Double-clicking a file hands its path to the main window through the program-wide
// PendingOpenFile slot; the main window opens it at its next timer tick. The main window holds
// the one instance (frmMain::Brows); it is deleted when closed.
#pragma once

#include <QMdiSubWindow>

class DirListBox;
class DriveListBox;
class FileListBox;
class Program;

class frmBrows : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit frmBrows(Program& program, QWidget* parent = nullptr);

    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;

    // Handlers.
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void File1_DblClick();

    // Moves the three lists to a directory: the drive first, then the directory.
    void ShowDirectory(const QString& directory);

signals:
    // The window is closing, however it was closed.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetDirectory(const QString& directory);
    void Report(const QString& message);
    Program& program;
};
