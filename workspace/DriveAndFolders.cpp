#include "workspace/DriveAndFolders.h"

#include <QSignalBlocker>

#include "app/Program.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"

void FollowDrive(Program& program, QWidget* owner, DriveListBox& drives, DirListBox& folders) {
    const QString drive = drives.Drive();
    try {
        folders.setPath(drive);
    } catch (const RuntimeError& error) {
        {
            const QSignalBlocker blocker(drives);
            drives.setDrive(folders.Path());
        }
        ReportListFailure(
            program, owner,
            QStringLiteral("The drive %1 cannot be read.\n\n%2").arg(drive, error.Description));
    }
}

void ReportListFailure(Program& program, QWidget* owner, const QString& message) {
    program.services.MsgBox(owner, message, MsgButtons::OK, MsgIcon::Exclamation,
                            program.App.Title);
}
