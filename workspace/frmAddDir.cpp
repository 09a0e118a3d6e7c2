#include "workspace/frmAddDir.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Program.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/MdiChildren.h"
#include "platform/RuntimeError.h"
#include "workspace/DriveAndFolders.h"
#include "workspace/WorkspaceFile.h"

frmAddDir::frmAddDir(Program& program, QWidget* parent)
    : QMdiSubWindow(parent), dlgCommonDialog(program.services, this), program(program) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAddDir"));
    setWindowTitle(QStringLiteral("Find Quake 3 Source Dir"));
    SetFixedBorder(*this);

    // No start-up code: both lists start at the process's current drive and directory.
    auto* body = new QWidget(this);
    Drive1 = new DriveListBox(body);
    DirList = new DirListBox(body);
    cmdAdd = new QPushButton(QStringLiteral("Save Dir"), body);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    DirList->setObjectName(QStringLiteral("DirList"));
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    // Sized in characters and lines of the window's font (see frmBrows).
    const QFontMetrics metrics(font());
    Drive1->setFixedWidth(30 * metrics.averageCharWidth());
    DirList->setFixedSize(Drive1->width(), 14 * metrics.lineSpacing());

    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Drive1);
    layout->addWidget(DirList);
    layout->addWidget(cmdAdd);
    setWidget(body);
    setTabOrder(DirList, Drive1);
    setTabOrder(Drive1, cmdAdd);
    setFocusProxy(DirList);
    layout->activate();
    setFixedSize(sizeHint());

    connect(Drive1, &DriveListBox::Change, this, &frmAddDir::Drive1_Change);
    connect(DirList, &DirListBox::OpenFailed, this, &frmAddDir::Report);
    connect(cmdAdd, &QPushButton::clicked, this, &frmAddDir::cmdAdd_Click);
}

void frmAddDir::Drive1_Change() {
    FollowDrive(program, this, *Drive1, *DirList);
}

void frmAddDir::cmdAdd_Click() {
    close();
}

void frmAddDir::Form_Unload() {
    const QString fileName = dlgCommonDialog.ShowSave(
        QStringLiteral("New Workspace"), QStringLiteral("Kelto Dir Info (*.kws)|*.kws"));
    if (fileName.isEmpty())
        return;
    const QString directory = DirList->Path();
    try {
        WorkspaceFile::Write(fileName, directory);
    } catch (const RuntimeError& error) {
        // Not saved: the workspace stays as it was, so nothing claims a file that is not there.
        Report(
            QStringLiteral("The workspace file could not be saved.\n\n%1").arg(error.Description));
        return;
    }
    program.module1.PendingSourceDir = directory;
    program.module1.PendingWorkspaceFile = fileName;
}

void frmAddDir::Report(const QString& message) {
    ReportListFailure(program, this, message);
}

void frmAddDir::closeEvent(QCloseEvent* event) {
    // Runs once however the window is closed, and never refuses the close.
    if (!unloaded) {
        unloaded = true;
        Form_Unload();
        emit Unloaded();
    }
    QMdiSubWindow::closeEvent(event);
    event->accept();
}
