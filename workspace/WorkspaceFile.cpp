#include "workspace/WorkspaceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/RuntimeError.h"
#include "platform/TextFile.h"

namespace WorkspaceFile {

QByteArray Compose(const QString& sourceDir) {
    return sourceDir.toLocal8Bit() + "\r\n";
}

QString Parse(const QByteArray& bytes) {
    return QString::fromLocal8Bit(WithoutFinalLineBreak(bytes));
}

void Write(const QString& path, const QString& sourceDir) {
    TextFile::WriteAtomic(path, Compose(sourceDir));
}

QString Read(const QString& path) {
    return Parse(ReadWhole(path));
}

QByteArray ReadWhole(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (QFileInfo(path).isDir())
        throw RuntimeError(75, QStringLiteral("Cannot read \"%1\": it is a directory.").arg(shown));
    // A pipe would block the program until something writes to it, a device may never end.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile())
        throw RuntimeError(
            75, QStringLiteral("Cannot read \"%1\": it is not a regular file.").arg(shown));
    if (!file.open(QIODevice::ReadOnly)) {
        const int number = file.exists() ? 75 : 53;
        throw RuntimeError(
            number, QStringLiteral("Cannot read \"%1\": %2.").arg(shown, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RuntimeError(
            75, QStringLiteral("Cannot read \"%1\": %2.").arg(shown, file.errorString()));
    return bytes;
}

QByteArray WithoutFinalLineBreak(const QByteArray& bytes) {
    if (bytes.endsWith("\r\n"))
        return bytes.chopped(2);
    if (bytes.endsWith('\n'))
        return bytes.chopped(1);
    return bytes;
}

} // namespace WorkspaceFile
