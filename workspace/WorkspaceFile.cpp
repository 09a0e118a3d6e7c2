#include "workspace/WorkspaceFile.h"

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
    return Parse(TextFile::ReadWhole(path));
}

QByteArray WithoutFinalLineBreak(const QByteArray& bytes) {
    if (bytes.endsWith("\r\n"))
        return bytes.chopped(2);
    if (bytes.endsWith('\n'))
        return bytes.chopped(1);
    return bytes;
}

} // namespace WorkspaceFile
