// The three Build commands: one routine, a row per module (BuildModules).
#include <QDir>
#include <QFile>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/TextFile.h"
#include "workspace/BuildScript.h"
#include "workspace/WorkspaceFile.h"

void frmMain::mnuBuildcgameQVM_Click() {
    Build(BuildModules[0]);
}
void frmMain::mnuBuildgameQVM_Click() {
    Build(BuildModules[1]);
}
void frmMain::mnuBuilduiQVM_Click() {
    Build(BuildModules[2]);
}

void frmMain::Build(const BuildModule& module) {
    Services& services = program.services;
    const QString& title = program.App.Title;
    if (SourceDir.isEmpty()) {
        services.MsgBox(this, QStringLiteral("You need to have a Workspace Loaded"), MsgButtons::OK,
                        MsgIcon::None, title);
        return;
    }
    auto report = [&](const QString& what, const QString& path, const QString& reason) {
        services.MsgBox(
            this, QStringLiteral("%1\n%2\n\n%3").arg(what, QDir::toNativeSeparators(path), reason),
            MsgButtons::OK, MsgIcon::Exclamation, title);
    };
    const BuildScript::Paths paths = BuildScript::PathsFor(SourceDir, module);

    // The template is read whole before the script is touched, so a missing template leaves
    // an existing script as it was.
    QByteArray templateBytes;
    try {
        templateBytes = WorkspaceFile::ReadWhole(paths.templatePath);
    } catch (const RuntimeError& error) {
        report(QStringLiteral("The build template could not be read:"), paths.templatePath,
               error.Description);
        return;
    }
    try {
        TextFile::WriteAtomic(paths.scriptPath,
                              BuildScript::Compose(SourceDir, module, templateBytes));
    } catch (const RuntimeError& error) {
        report(QStringLiteral("The build script could not be written:"), paths.scriptPath,
               error.Description);
        return;
    }
#ifndef Q_OS_WIN
    QFile script(paths.scriptPath);
    if (!script.setPermissions(script.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser |
                               QFileDevice::ExeGroup | QFileDevice::ExeOther)) {
        report(QStringLiteral("The build script could not be made executable:"), paths.scriptPath,
               script.errorString());
        return;
    }
#endif
    QString error;
    if (!services.LaunchInTerminal(paths.scriptPath, paths.moduleDirectory, error))
        report(QStringLiteral("The build script could not be started:"), paths.scriptPath, error);
}
