// Help > Contents, Help > Search For Help On and Help > About.
#include "app/Program.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "platform/Services.h"

namespace {
constexpr std::uint32_t HELP_CONTENTS = 3;
constexpr std::uint32_t HELP_PARTIALKEY = 0x105; // with the empty keyword
} // namespace

void frmMain::mnuHelpContents_Click() {
    ShowHelp(HELP_CONTENTS);
}

void frmMain::mnuHelpSearchForHelpOn_Click() {
    ShowHelp(HELP_PARTIALKEY);
}

void frmMain::ShowHelp(std::uint32_t command) {
    if (program.App.HelpFile.isEmpty()) {
        program.services.MsgBox(this,
                                QStringLiteral("Unable to display Help Contents. There is no Help "
                                               "associated with this project."),
                                MsgButtons::OK, MsgIcon::Information, windowTitle());
        return;
    }
    QString error;
    if (!program.services.WinHelp(this, program.App.HelpFile, command, error))
        program.services.MsgBox(this, error, MsgButtons::OK, MsgIcon::None, program.App.Title);
}

void frmMain::mnuHelpAbout_Click() {
    frmAbout about(program, this);
    program.services.RunModal(about);
}
