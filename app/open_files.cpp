// OpenFiles: the files named on Kelto's command line, whether this process was started with
// them or a second start handed them over. What cannot be opened is told in one message for all
// of them, not a box for each; files handed over while a message is open are told after it
// (Services::MsgBox), so no burst of starts can stack boxes up.
#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/Services.h"

void frmMain::OpenFiles(const QStringList& paths) {
    const GatheredMessages oneMessage(program.services);
    for (const QString& path : paths) {
        if (IsWorkspaceFile(path)) {
            OpenWorkspaceFile(path);
        } else {
            OpenDocument(path);
        }
    }
}
