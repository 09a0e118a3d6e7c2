// OpenFiles: the files named on Kelto's command line, whether this process was started with
// them or a second start handed them over.
#include "app/CommandLine.h"
#include "app/frmMain.h"

void frmMain::OpenFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (IsWorkspaceFile(path)) {
            OpenWorkspaceFile(path);
        } else {
            OpenDocument(path);
        }
    }
}
