// New, Open and Close Workspace, and the timer's pending-directory step.
#include <QAction>
#include <QDir>
#include <QFileInfo>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "workspace/WorkspaceFile.h"
#include "workspace/frmAddDir.h"

void frmMain::mnuFileNW_Click() {
    if (!AddDir) {
        AddDir = new frmAddDir(program);
        connect(AddDir, &frmAddDir::Unloaded, this, [this] { AddDir.clear(); });
    }
    ShowChild(AddDir);
}

void frmMain::mnuFileOW_Click() {
    const QString fileName = dlgCommonDialog.ShowOpen(
        QStringLiteral("Open Workspace"), QStringLiteral("Kelto Dir Info (*.kws)|*.kws"));
    if (fileName.isEmpty())
        return;
    OpenWorkspaceFile(fileName);
}

void frmMain::OpenWorkspaceFile(const QString& fileName) {
    QString directory;
    try {
        directory = WorkspaceFile::Read(fileName);
    } catch (const RuntimeError& error) {
        program.services.MsgBox(
            this, QStringLiteral("The workspace could not be opened.\n\n%1").arg(error.Description),
            MsgButtons::OK, MsgIcon::Exclamation, program.App.Title);
        return;
    }
    if (directory.isEmpty()) {
        // An empty directory would silently close the loaded workspace instead.
        program.services.MsgBox(
            this,
            QStringLiteral("The workspace file \"%1\" names no source directory.")
                .arg(QDir::toNativeSeparators(fileName)),
            MsgButtons::OK, MsgIcon::Exclamation, program.App.Title);
        return;
    }
    // A relative directory is the workspace file's neighbour, wherever the program was started.
    if (QDir::isRelativePath(directory))
        directory = QDir::toNativeSeparators(
            QDir::cleanPath(QFileInfo(fileName).absoluteDir().absoluteFilePath(directory)));
    SourceDir = directory;
    WorkspacePath = fileName;
    if (mnuWindowFile->isChecked())
        ShowInBrowser(SourceDir);
}

void frmMain::mnuFileCW_Click() {
    SourceDir.clear();
    WorkspacePath.clear();
}

void frmMain::PendingSourceDirStep() {
    Module1& m = program.module1;
    if (m.PendingSourceDir.isEmpty())
        return;
    SourceDir = m.PendingSourceDir;
    WorkspacePath = m.PendingWorkspaceFile;
    m.PendingSourceDir.clear();
    m.PendingWorkspaceFile.clear();
    if (mnuWindowFile->isChecked())
        ShowInBrowser(SourceDir);
}
