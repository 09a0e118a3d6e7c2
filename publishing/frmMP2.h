// Page 2 of the publishing wizard: starts the user's web browser to find a web host.
#pragma once

#include "WizardPathPage.h"

class frmMP2 : public WizardPathPage {
    Q_OBJECT
public:
    explicit frmMP2(Program& program);
    static const WizardPathRow& Row();
    QLineEdit* const txtWeb; // the path box
};
