// The wizard pages that start one of the user's external programs (pages 2 to 4): a row with
// a caption, the path box and Browse, and Execute under the box's right end. The box opens
// with the page's program-wide path and writes a non-empty box back when the page closes.
// The three pages differ only in their row of parameters (WizardPathRow).
#pragma once

#include "WizardPage.h"
#include "app/Program.h"
#include "platform/CommonDialog.h"

class QLineEdit;

struct WizardPathRow {
    int page;
    QString title;
    QString body;
    const char* boxName;
    QString boxCaption;
    QString Module1::*path; // the program-wide path the box edits
    QString browseTitle;
};

class WizardPathPage : public WizardPage {
    Q_OBJECT
public:
    // Controls.
    QLabel* Label3 = nullptr;
    QLineEdit* PathBox = nullptr; // named after the row: txtWeb, txtFTP, txtEma
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdExec = nullptr;
    CommonDialog CommonDialog1;

    // Handlers.
    void Form_Load() override;
    void Form_Unload() override;
    void cmdBrowse_Click();
    void cmdExec_Click();

protected:
    WizardPathPage(Program& program, const WizardPathRow& row);
    QWidget* FirstFocus() override; // the path box

private:
    const WizardPathRow& row;
};
