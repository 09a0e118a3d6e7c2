// The pure parts of the workspace and build commands: script bytes in both styles, the module
// paths, path joining, and the one-final-line-break rule of the program's own files.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/PathStyle.h"
#include "workspace/BuildScript.h"
#include "workspace/WorkspaceFile.h"

using PathStyle::Style;

TEST(BuildScript, WindowsScriptIsDriveCdTemplateWithCrLf) {
    const QByteArray script = BuildScript::Compose(QStringLiteral("D:\\gamesrc"), BuildModules[0],
                                                   "call q3lcc cg_main.c\r\n", Style::Windows);
    EXPECT_EQ(script, QByteArray("D:\r\ncd D:\\gamesrc\\cgame\r\ncall q3lcc cg_main.c\r\n"));

    // A folder name that cmd would read as a second command (&) or a variable (%...%) is
    // quoted, each % doubled; the name arrives at cd as it is written.
    EXPECT_EQ(BuildScript::Compose(QStringLiteral("D:\\Mods & Maps (%USERNAME%)"), BuildModules[1],
                                   "", Style::Windows),
              QByteArray("D:\r\ncd \"D:\\Mods & Maps (%%USERNAME%%)\\game\"\r\n\r\n"));

    const BuildScript::Paths paths =
        BuildScript::PathsFor(QStringLiteral("D:\\gamesrc"), BuildModules[0], Style::Windows);
    EXPECT_EQ(paths.templatePath, QStringLiteral("D:\\gamesrc\\cgame\\cgamebak.bat"));
    EXPECT_EQ(paths.scriptPath, QStringLiteral("D:\\gamesrc\\cgame\\cgamerev.bat"));
}

TEST(BuildScript, TemplateLosesOnlyOneFinalLineBreak) {
    const QString src = QStringLiteral("D:\\src");
    const BuildModule& ui = BuildModules[2];
    // No final break: nothing of the last line is lost.
    EXPECT_TRUE(
        BuildScript::Compose(src, ui, "a\r\nlast", Style::Windows).endsWith("a\r\nlast\r\n"));
    // LF only, empty template, and a trailing empty line kept as it was.
    EXPECT_TRUE(BuildScript::Compose(src, ui, "last\n", Style::Windows).endsWith("\r\nlast\r\n"));
    EXPECT_TRUE(
        BuildScript::Compose(src, ui, "", Style::Windows).endsWith("cd D:\\src\\ui\r\n\r\n"));
    EXPECT_TRUE(
        BuildScript::Compose(src, ui, "x\r\n\r\n", Style::Windows).endsWith("\r\nx\r\n\r\n"));

    EXPECT_EQ(WorkspaceFile::WithoutFinalLineBreak("ab\r\n"), QByteArray("ab"));
    EXPECT_EQ(WorkspaceFile::WithoutFinalLineBreak("ab\n"), QByteArray("ab"));
    EXPECT_EQ(WorkspaceFile::WithoutFinalLineBreak("ab"), QByteArray("ab"));
    EXPECT_EQ(WorkspaceFile::WithoutFinalLineBreak("ab\r"), QByteArray("ab\r"));
    EXPECT_EQ(WorkspaceFile::Parse("/one\r\n/two\r\n"), QStringLiteral("/one\r\n/two"));
}

// The Linux script's bytes, written out: a change to what the build commands write shows here
// first, whatever the function that writes them says.
TEST(BuildScript, PosixScriptBytesArePinned) {
    EXPECT_EQ(BuildScript::Compose(QStringLiteral("/home/you/q3 'src'/code"), BuildModules[1],
                                   "mkdir -p vm && cd vm || exit 1\r\nq3lcc ../g_main.c\r\n",
                                   Style::Posix),
              QByteArray("#!/bin/sh\n"
                         "cd '/home/you/q3 '\\''src'\\''/code/game' || exit 1\n"
                         "mkdir -p vm && cd vm || exit 1\n"
                         "q3lcc ../g_main.c\n"));
    EXPECT_EQ(BuildScript::Compose(QStringLiteral("/q3/code"), BuildModules[2], "", Style::Posix),
              QByteArray("#!/bin/sh\ncd '/q3/code/ui' || exit 1\n\n"));
}

#ifndef Q_OS_WIN // sh runs it (WindowsBuildTest runs a Windows script)
TEST(BuildScript, PosixScriptRunsTheTemplateInTheModuleDirectory) {
    // A source directory whose name needs quoting, and a template written on Windows.
    QTemporaryDir root;
    const QString sourceDir = root.filePath(QStringLiteral("q3 'src'"));
    ASSERT_TRUE(QDir().mkpath(sourceDir + QStringLiteral("/game")));
    const QByteArray script = BuildScript::Compose(
        sourceDir, BuildModules[1], "echo one > made.txt\r\necho two >> made.txt", Style::Posix);
    EXPECT_TRUE(script.startsWith("#!/bin/sh\ncd "));
    EXPECT_FALSE(script.contains('\r'));
    EXPECT_TRUE(script.endsWith("echo two >> made.txt\n"));

    const QString scriptPath = root.filePath(QStringLiteral("gamerev.bat"));
    QFile file(scriptPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(script);
    file.close();

    QProcess sh;
    sh.setWorkingDirectory(root.path());
    sh.start(QStringLiteral("sh"), {scriptPath});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_EQ(sh.exitCode(), 0);
    QFile made(sourceDir + QStringLiteral("/game/made.txt"));
    ASSERT_TRUE(made.open(QIODevice::ReadOnly));
    EXPECT_EQ(made.readAll(), QByteArray("one\ntwo\n"));

    // A module directory that is gone stops the script before the template runs.
    ASSERT_TRUE(QDir(sourceDir + QStringLiteral("/game")).removeRecursively());
    sh.start(QStringLiteral("sh"), {scriptPath});
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_NE(sh.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("made.txt"))));
}
#endif

TEST(PathStyle, JoinsWithOneSeparatorInEachStyle) {
    EXPECT_EQ(PathStyle::Join("c:\\", "a.c", Style::Windows), QStringLiteral("c:\\a.c"));
    EXPECT_EQ(PathStyle::Join("c:\\src", "a.c", Style::Windows), QStringLiteral("c:\\src\\a.c"));
    EXPECT_EQ(PathStyle::Join("/", "a.c", Style::Posix), QStringLiteral("/a.c"));
    EXPECT_EQ(PathStyle::Join("/src", "a.c", Style::Posix), QStringLiteral("/src/a.c"));
    EXPECT_EQ(PathStyle::DriveOf("D:\\gamesrc", Style::Windows), QStringLiteral("D:"));
    EXPECT_EQ(PathStyle::DriveRoot("d:", Style::Windows), QStringLiteral("D:\\"));
    EXPECT_EQ(PathStyle::StartDirectory(Style::Windows), QStringLiteral("c:\\"));
#ifndef Q_OS_WIN
    EXPECT_EQ(PathStyle::StartDirectory(), QStringLiteral("/"));
    EXPECT_TRUE(PathStyle::Drives().contains(QStringLiteral("/")));
    // The drive of a path that does not exist yet is still the volume that would hold it.
    EXPECT_TRUE(PathStyle::DriveOf(QStringLiteral("/no/such/dir")).startsWith(u'/'));
#endif
}
