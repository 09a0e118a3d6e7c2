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
    const QString moduleFolder = PathsFor(sourceDir, module, style).moduleDirectory;
    if (style == PathStyle::Style::Windows)
        return Launcher::BatchBytes(sourceDir.left(2)) + "\r\n" + "cd " +
               Launcher::BatchQuoted(Launcher::BatchBytes(moduleFolder)) + "\r\n" + body + "\r\n";
    const QByteArray moduleDirectory = moduleFolder.toLocal8Bit();
    QByteArray lfBody = body;
    lfBody.replace("\r\n", "\n");
    return "#!/bin/sh\ncd " + Launcher::ShellQuoted(moduleDirectory) + " || exit 1\n" + lfBody +
           "\n";
}

} // namespace BuildScript
