#include "workspace/frmBrows.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>

#include "app/Program.h"
#include "platform/DirListBox.h"
#include "platform/DriveListBox.h"
#include "platform/FileListBox.h"
#include "platform/MdiChildren.h"
#include "platform/PathStyle.h"
#include "platform/RuntimeError.h"
#include "workspace/DriveAndFolders.h"

frmBrows::frmBrows(Program& program, QWidget* parent) : QMdiSubWindow(parent), program(program) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmBrows"));
    setWindowTitle(QStringLiteral("File Browser"));
    SetFixedBorder(*this);

    auto* body = new QWidget(this);
    Drive1 = new DriveListBox(body);
    Dir1 = new DirListBox(body);
    File1 = new FileListBox(body);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1->setObjectName(QStringLiteral("File1"));
    // Sized in characters and lines of the window's font, so that a larger font makes a larger
    // window rather than cut-off lists; the main window fixes the window's size to this content
    // once it sits in its area.
    const QFontMetrics metrics(font());
    Drive1->setFixedWidth(22 * metrics.averageCharWidth());
    Dir1->setFixedSize(Drive1->width(), 12 * metrics.lineSpacing());
    File1->setFixedWidth(24 * metrics.averageCharWidth());
    File1->setMinimumHeight(Dir1->height());

    auto* layout = new QGridLayout(body);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Drive1, 0, 0);
    layout->addWidget(Dir1, 1, 0);
    layout->addWidget(File1, 0, 1, 2, 1);
    setWidget(body);
    setTabOrder(File1, Drive1);
    setTabOrder(Drive1, Dir1);
    setFocusProxy(File1);
    layout->activate();
    setFixedSize(sizeHint());

    connect(Drive1, &DriveListBox::Change, this, &frmBrows::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &frmBrows::Dir1_Change);
    connect(Dir1, &DirListBox::OpenFailed, this, &frmBrows::Report);
    connect(File1, &FileListBox::DblClick, this, &frmBrows::File1_DblClick);
}

void frmBrows::Form_Load() {
    SetDirectory(PathStyle::StartDirectory());
}

void frmBrows::Drive1_Change() {
    FollowDrive(program, this, *Drive1, *Dir1);
}

void frmBrows::Dir1_Change() {
    try {
        File1->setPath(Dir1->Path());
    } catch (const RuntimeError& error) {
        Report(error.Description);
    }
}

void frmBrows::File1_DblClick() {
    const int index = File1->ListIndex();
    if (index < 0)
        return;
    program.module1.PendingOpenFile = PathStyle::Join(File1->Path(), File1->List(index));
}

void frmBrows::ShowDirectory(const QString& directory) {
    const QString drive = PathStyle::DriveRoot(PathStyle::DriveOf(directory));
    Drive1->setDrive(drive);
    if (Drive1->Drive() != drive)
        return; // the drive could not be read, and the user has been told
    SetDirectory(directory);
}

void frmBrows::SetDirectory(const QString& directory) {
    try {
        Dir1->setPath(directory);
    } catch (const RuntimeError& error) {
        Report(error.Description);
    }
}

void frmBrows::Report(const QString& message) {
    ReportListFailure(program, this, message);
}

void frmBrows::closeEvent(QCloseEvent* event) {
    emit Unloaded();
    QMdiSubWindow::closeEvent(event);
}
