#include "platform/FileListBox.h"

#include <QCollator>
#include <QDir>
#include <QKeyEvent>
#include <algorithm>

#include "platform/DirListBox.h"
#include "platform/PathStyle.h"

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    path = PathStyle::Normalized(QDir::currentPath());
    fill();
    connect(this, &QListWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
}

void FileListBox::setPath(const QString& directory) {
    const QString target = PathStyle::Normalized(directory);
    CheckReadableDirectory(target);
    path = target;
    fill();
}

QString FileListBox::List(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

void FileListBox::fill() {
    QStringList files = QDir(path).entryList(QDir::Files);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(files.begin(), files.end(), collator);
    clear();
    addItems(files);
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit DblClick();
        return;
    }
    QListWidget::keyPressEvent(event);
}
