// The options dialog: edits the three external program paths (FTP client, web browser, e-mail
// program) held in the program-wide Module1. A modal dialog owned by the main window, built
// afresh for every opening; its boxes are the working copies while it is open. It never
// touches the settings store: the main window saves the paths when it unloads.
#pragma once

#include <QDialog>

#include "platform/CommonDialog.h"

class Program;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    frmOptions(Program& program, QWidget* owner);

    // Controls.
    QGroupBox* frmPath = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtftppath = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtWeb = nullptr;
    QPushButton* cmdWBro = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtEmail = nullptr;
    QPushButton* cmdEBro = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    CommonDialog CommonDialog1;

    // Handlers.
    void Form_Load();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdBrowse_Click();
    void cmdWBro_Click();
    void cmdEBro_Click();

    // Esc and the title-bar close button end here: the same as Cancel.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Program& program;
};
