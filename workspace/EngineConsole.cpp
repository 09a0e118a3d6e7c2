#include "workspace/EngineConsole.h"

#include <QRegularExpression>

namespace EngineConsole {

Line Read(const QString& raw) {
    static const QRegularExpression terminalColour(QStringLiteral("\\x1b\\[[0-9;]*m"));
    static const QRegularExpression quakeColour(QStringLiteral("\\^[0-9A-Za-z]"));
    static const QRegularExpression found(
        QStringLiteral("^File \"(vm/[^\"]+\\.qvm)\" found (?:in|at) \"([^\"]+)\""),
        QRegularExpression::CaseInsensitiveOption);

    QString text = raw;
    text.remove(terminalColour);
    const QString start = text.trimmed().left(2);
    text.remove(quakeColour);

    Line line;
    line.text = text;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QStringLiteral("ERROR")) ||
        trimmed.contains(QStringLiteral("Sys_Error")) ||
        trimmed.contains(QStringLiteral("fatal crashed")) || start == QStringLiteral("^1"))
        line.mark = Mark::Error;
    else if (trimmed.startsWith(QStringLiteral("WARNING"), Qt::CaseInsensitive) ||
             start == QStringLiteral("^3"))
        line.mark = Mark::Warning;

    if (trimmed.contains(QStringLiteral("VM_MAGIC_USE_NATIVE")) ||
        trimmed.startsWith(QStringLiteral("Loading DLL file"), Qt::CaseInsensitive)) {
        line.nativeLibrary = true;
        if (line.mark == Mark::Plain)
            line.mark = Mark::Warning;
    }
    if (const QRegularExpressionMatch match = found.match(trimmed); match.hasMatch()) {
        line.qvm = match.captured(1);
        line.foundIn = match.captured(2);
    }
    return line;
}

} // namespace EngineConsole
