// Page 3 of the publishing wizard: starts the user's FTP client to upload the mod.
#pragma once

#include "WizardPathPage.h"

class frmMP3 : public WizardPathPage {
    Q_OBJECT
public:
    explicit frmMP3(Program& program);
    static const WizardPathRow& Row();
    QLineEdit* const txtFTP; // the path box
};
