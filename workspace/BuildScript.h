// The build commands' data: one row per game module, the paths of a module's build template
// and build script under a source directory, and the script's bytes composed from the
// template. Pure: nothing here touches the disk, and both styles can be composed anywhere.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>

#include "platform/PathStyle.h"

struct BuildModule {
    QString name;      // "cgame"
    QString directory; // "\cgame": appended to the source directory, leading separator included
};

// The three modules, in the Build menu's order.
inline const std::array<BuildModule, 3> BuildModules{{
    {QStringLiteral("cgame"), QStringLiteral("\\cgame")},
    {QStringLiteral("game"), QStringLiteral("\\game")},
    {QStringLiteral("ui"), QStringLiteral("\\ui")},
}};

namespace BuildScript {

struct Paths {
    QString moduleDirectory; // SourceDir + M
    QString templatePath;    // ...\<name>bak.bat
    QString scriptPath;      // ...\<name>rev.bat
};

Paths PathsFor(const QString& sourceDir, const BuildModule& module,
               PathStyle::Style style = PathStyle::Native);

// The script's bytes. `templateBytes` is the template file's whole content, of which one final
// line break is dropped (the script ends with its own).
// Windows: the source directory's drive ("D:"), "cd " + the module directory, the template,
// each line ending in CR LF as the template has them.
// Linux: "#!/bin/sh", a cd to the module directory (quoted by Launcher::ShellQuoted) that ends
// the script when it fails, the template with LF line breaks.
QByteArray Compose(const QString& sourceDir, const BuildModule& module,
                   const QByteArray& templateBytes, PathStyle::Style style = PathStyle::Native);

} // namespace BuildScript
