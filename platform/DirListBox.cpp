#include "platform/DirListBox.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

#include "platform/PathStyle.h"
#include "platform/RuntimeError.h"

void CheckReadableDirectory(const QString& directory) {
    const QFileInfo info(directory);
    const QString shown = QDir::toNativeSeparators(directory);
    if (!info.exists())
        throw RuntimeError(76, QStringLiteral("Cannot open \"%1\": no such directory.").arg(shown));
    if (!info.isDir())
        throw RuntimeError(76, QStringLiteral("Cannot open \"%1\": not a directory.").arg(shown));
#ifdef Q_OS_UNIX
    const bool listable = info.isReadable() && info.isExecutable();
#else
    const bool listable = info.isReadable();
#endif
    if (!listable)
        throw RuntimeError(70, QStringLiteral("Cannot open \"%1\": permission denied.").arg(shown));
}

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    path = PathStyle::Normalized(QDir::currentPath());
    fill();
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::openEntry);
}

void DirListBox::setPath(const QString& directory) {
    const QString target = PathStyle::Normalized(directory);
    CheckReadableDirectory(target);
    path = target;
    fill();
    emit Change();
}

QStringList DirListBox::Entries() const {
    QStringList entries;
    for (int row = 0; row < count(); ++row)
        entries << item(row)->data(Qt::UserRole).toString();
    return entries;
}

void DirListBox::fill() {
    // Ancestors from the root down to the open directory.
    QStringList chain;
    QDir walker(path);
    do
        chain.prepend(PathStyle::Normalized(walker.absolutePath()));
    while (walker.cdUp());

    QStringList subdirectories = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(subdirectories.begin(), subdirectories.end(), collator);

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    clear();
    int depth = 0;
    for (const QString& ancestor : chain) {
        const QString name = depth == 0 ? ancestor : QFileInfo(ancestor).fileName();
        auto* entry = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, this);
        entry->setData(Qt::UserRole, ancestor);
        ++depth;
    }
    openIndex = count() - 1;
    for (const QString& name : subdirectories) {
        auto* entry = new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + name, this);
        entry->setData(Qt::UserRole, PathStyle::Join(path, name));
    }
    setCurrentRow(openIndex);
    scrollToItem(item(openIndex));
}

void DirListBox::openEntry(QListWidgetItem* entry) {
    if (!entry)
        return;
    try {
        setPath(entry->data(Qt::UserRole).toString());
    } catch (const RuntimeError& error) {
        emit OpenFailed(error.Description);
    }
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openEntry(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
