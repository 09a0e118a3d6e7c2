// Page 1 of the publishing wizard: the welcome text and what must be ready.
#pragma once

#include "WizardPage.h"

class frmMP1 : public WizardPage {
    Q_OBJECT
public:
    explicit frmMP1(Program& program);
    // The welcome text's five lines, joined by CR LF.
    static QString WelcomeText();
    void Form_Load() override;
};
