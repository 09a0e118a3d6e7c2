#include "platform/PathStyle.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace PathStyle {

QChar Separator(Style style) {
    return style == Style::Windows ? u'\\' : u'/';
}

QString FromDocumented(const QString& path, Style style) {
    QString result = path;
    if (style == Style::Posix)
        result.replace(u'\\', u'/');
    return result;
}

bool IsDriveRoot(const QString& path, Style style) {
    if (style == Style::Windows)
        return path.size() == 3 && path.endsWith(u'\\');
    return path.endsWith(u'/');
}

QString Join(const QString& directory, const QString& name, Style style) {
    if (IsDriveRoot(directory, style))
        return directory + name;
    return directory + Separator(style) + name;
}

QString DriveOf(const QString& path, Style style) {
    if (style == Style::Windows)
        return path.left(2);
    // The volume of the nearest existing ancestor: QStorageInfo needs a path that exists.
    QFileInfo info(path.isEmpty() ? QStringLiteral("/") : path);
    QString probe = info.absoluteFilePath();
    while (!QFileInfo::exists(probe) && probe != QStringLiteral("/"))
        probe = QFileInfo(probe).absolutePath();
    const QStorageInfo volume(probe);
    return volume.isValid() ? volume.rootPath() : QStringLiteral("/");
}

QString DriveRoot(const QString& drive, Style style) {
    if (style == Style::Windows)
        return drive.left(2).toUpper() + u'\\';
    return drive.isEmpty() ? QStringLiteral("/") : drive;
}

QString StartDirectory(Style style) {
    return style == Style::Windows ? QStringLiteral("c:\\") : QStringLiteral("/");
}

QStringList Drives() {
    QStringList drives;
#ifdef Q_OS_WIN
    for (const QFileInfo& drive : QDir::drives())
        drives << QDir::toNativeSeparators(drive.absoluteFilePath());
#else
    drives << QStringLiteral("/");
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() && QFileInfo(root).isReadable() &&
            !drives.contains(root))
            drives << root;
    }
    drives.sort();
#endif
    return drives;
}

QString Normalized(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(path).absolutePath()));
}

} // namespace PathStyle
