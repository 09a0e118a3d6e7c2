// Page 5 of the publishing wizard: the congratulations, and Finish.
#pragma once

#include "WizardPage.h"

class frmMP5 : public WizardPage {
    Q_OBJECT
public:
    explicit frmMP5(Program& program);
};
