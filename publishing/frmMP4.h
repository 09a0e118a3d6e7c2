// Page 4 of the publishing wizard: starts the user's e-mail program to announce the mod.
#pragma once

#include "WizardPathPage.h"

class frmMP4 : public WizardPathPage {
    Q_OBJECT
public:
    explicit frmMP4(Program& program);
    static const WizardPathRow& Row();
    QLineEdit* const txtEma; // the path box
};
