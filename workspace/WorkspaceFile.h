// The workspace file (.kws): the source directory's full path and one CR LF, in the system's
// 8-bit code page, nothing else. Also the final-line-break rule the build templates share.
#pragma once

#include <QByteArray>
#include <QString>

namespace WorkspaceFile {

// The file's bytes for a source directory.
QByteArray Compose(const QString& sourceDir);
// The source directory held by a workspace file's bytes.
QString Parse(const QByteArray& bytes);

// Writes a workspace file atomically; throws RuntimeError naming the path and the reason.
void Write(const QString& path, const QString& sourceDir);
// Reads a workspace file; throws RuntimeError naming the path and the reason (as
// TextFile::ReadWhole does).
QString Read(const QString& path);

// The bytes less one final line break (CR LF or LF) if they end with one; nothing else goes.
QByteArray WithoutFinalLineBreak(const QByteArray& bytes);

} // namespace WorkspaceFile
