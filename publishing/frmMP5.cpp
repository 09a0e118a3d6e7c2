#include "frmMP5.h"

frmMP5::frmMP5(Program& program)
    : WizardPage(program, 5, QStringLiteral("Congratulations!!!"),
                 QStringLiteral("Well, that's it, your mod is on the internet, you let people know "
                                "about your mod. So just wait for the comments and/or bug reports "
                                "come in. you can now go back to make any changes, or just press "
                                "finish and keep coding!")) {}
