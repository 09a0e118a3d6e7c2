#include "frmMP1.h"

#include <QLabel>
#include <QStringList>

frmMP1::frmMP1(Program& program) : WizardPage(program, 1, QString(), QString()) {}

QString frmMP1::WelcomeText() {
    const QStringList lines = {
        QStringLiteral("Welcome to the Kelto Mod Publishing Wizard, this wizard will take you step "
                       "by step in packing up your mod and launching and publicizing it on the "
                       "internet, by now, you should already have done:"),
        QStringLiteral("> Your coded mod and all the other parts of your mod compressed using zip "
                       "or any other method of compression"),
        QStringLiteral("> A readme.txt to go along with your mod"),
        QStringLiteral("> An update to your website and/or a new website for your mod"),
        QStringLiteral("If you don't have the above done, click cancel and go do that, if you have "
                       "all of it done, click next to continue"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void frmMP1::Form_Load() {
    Label1->setText(WelcomeText());
}
