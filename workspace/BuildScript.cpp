#include "workspace/BuildScript.h"

#include "platform/Launcher.h"
#include "workspace/WorkspaceFile.h"

namespace BuildScript {

Paths PathsFor(const QString& sourceDir, const BuildModule& module, PathStyle::Style style) {
    const QString moduleDirectory = sourceDir + PathStyle::FromDocumented(module.directory, style);
    const QChar separator = PathStyle::Separator(style);
    return {moduleDirectory, moduleDirectory + separator + module.name + QStringLiteral("bak.bat"),
            moduleDirectory + separator + module.name + QStringLiteral("rev.bat")};
}

QByteArray Compose(const QString& sourceDir, const BuildModule& module,
                   const QByteArray& templateBytes, PathStyle::Style style) {
    const QByteArray body = WorkspaceFile::WithoutFinalLineBreak(templateBytes);
    const QByteArray moduleDirectory =
        PathsFor(sourceDir, module, style).moduleDirectory.toLocal8Bit();
    if (style == PathStyle::Style::Windows)
        return sourceDir.left(2).toLocal8Bit() + "\r\n" + "cd " +
               Launcher::BatchQuoted(moduleDirectory) + "\r\n" + body + "\r\n";
    QByteArray lfBody = body;
    lfBody.replace("\r\n", "\n");
    return "#!/bin/sh\ncd " + Launcher::ShellQuoted(moduleDirectory) + " || exit 1\n" + lfBody +
           "\n";
}

} // namespace BuildScript
