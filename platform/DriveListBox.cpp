#include "platform/DriveListBox.h"

#include <QDir>
#include <QSignalBlocker>

#include "platform/PathStyle.h"

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    drive = PathStyle::DriveRoot(PathStyle::DriveOf(PathStyle::Normalized(QDir::currentPath())));
    Refresh();
    connect(this, &QComboBox::activated, this, &DriveListBox::choose);
}

void DriveListBox::Refresh() {
    const QSignalBlocker blocker(this);
    QStringList drives = PathStyle::Drives();
    if (!drives.contains(drive))
        drives << drive;
    clear();
    for (const QString& root : drives)
        addItem(root, root);
    setCurrentIndex(findData(drive));
}

void DriveListBox::setDrive(const QString& path) {
    const QString root = PathStyle::DriveRoot(PathStyle::DriveOf(path));
    if (findData(root) < 0) {
        const QSignalBlocker blocker(this);
        addItem(root, root);
    }
    choose(findData(root));
}

void DriveListBox::choose(int index) {
    const QString root = itemData(index).toString();
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    if (root == drive)
        return;
    drive = root;
    emit Change();
}

void DriveListBox::showPopup() {
    Refresh();
    QComboBox::showPopup();
}
