// The Find window: a child window of the main window where the user types a search text and
// picks Match Whole Word and Match Case. Its Find button does not search: it leaves the
// request in the program-wide slots PendingFindText and FindMode and closes, and the main
// window's timer runs the search against the source window active by then. One shared
// instance (frmMain::Find), destroyed when it closes.
#pragma once

#include <QMdiSubWindow>

class Program;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmFind : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit frmFind(Program& program, QWidget* parent = nullptr);
    ~frmFind() override;

    // Controls.
    QLabel* Label1 = nullptr;
    QLineEdit* txtFind = nullptr;
    QPushButton* cmdFind = nullptr;
    QCheckBox* chkMWW = nullptr;
    QCheckBox* chkMC = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Handlers.
    void cmdFind_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Program& program;
    bool opened = false;
};
