// The command line as the program reads it before its application object exists.
#include <QDir>
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "platform/TextFile.h"
#include "support/ScriptedServices.h"

namespace {

#ifdef Q_OS_WIN
const QString Root = QStringLiteral("C:"); // a path from the root is on the current drive
#else
const QString Root;
#endif

CommandLine Parse(const QStringList& arguments) {
    return ParseCommandLine(QStringList{QStringLiteral("/usr/bin/kelto")} + arguments,
                            Root + QStringLiteral("/home/mod/q3"));
}

// The paths as the program names them: from the root of the current drive, with backslashes,
// on Windows.
QStringList Native(const QStringList& paths) {
    QStringList native;
    for (const QString& path : paths)
        native.append(QDir::toNativeSeparators(Root + path));
    return native;
}

} // namespace

TEST(CommandLineTest, FilesBecomeAbsolutePathsInTheOrderGiven) {
    const CommandLine line =
        Parse({"game/g_main.c", "/src/ui/ui_main.h", "../mymod.kws", "./cgame/../game/./bg_lib.c",
               "file:///src/q%20shared.h", "", "--", "-odd name.c"});
    EXPECT_EQ(line.action, CommandLine::Action::Open);
    EXPECT_EQ(line.files, Native({"/home/mod/q3/game/g_main.c", "/src/ui/ui_main.h",
                                  "/home/mod/mymod.kws", "/home/mod/q3/game/bg_lib.c",
                                  "/src/q shared.h", "/home/mod/q3/-odd name.c"}));
    // A file that does not exist is still named: opening it reports it, the others open.
    EXPECT_EQ(Parse({"a.c", "missing.c", "b.c"}).files.size(), 3);
    EXPECT_TRUE(Parse({}).files.isEmpty());
}

// A file: URL names a file of this computer only when its host is empty or "localhost"; its
// path keeps its bytes, percent-encoded or not. A file on another computer fails the command
// line, as a wrong option does (on Windows it is a network path).
TEST(CommandLineTest, FileUrlsOfThisComputerOnly) {
#ifdef Q_OS_WIN
    const QString elsewhere = "\\\\otherhost\\tmp\\a.c";
#else
    const QString elsewhere; // refused
#endif
    const struct {
        const char* url;
        QString file;
    } rows[] = {
        {"file:///src/a.c", Native({"/src/a.c"})[0]},
        {"file://localhost/src/a.c", Native({"/src/a.c"})[0]},
        {"FILE://LocalHost/src/a%20b.c", Native({"/src/a b.c"})[0]},
        {"file:/src/a.c", Native({"/src/a.c"})[0]},
        {"file:///src/a%FF.c#frag", Native({TextFile::FromBytes("/src/a\xFF.c")})[0]},
        {"file://otherhost/tmp/a.c", elsewhere},
    };
    for (const auto& row : rows) {
        const CommandLine line = Parse({"b.c", row.url});
        if (row.file.isEmpty()) {
            EXPECT_EQ(line.action, CommandLine::Action::Fail) << row.url;
            EXPECT_TRUE(line.files.isEmpty());
            EXPECT_TRUE(line.text.startsWith(QString("kelto: ") + row.url + ": not a file on this"))
                << line.text.toStdString();
        } else {
            EXPECT_EQ(line.files, QStringList({Native({"/home/mod/q3/b.c"})[0], row.file}))
                << row.url;
        }
    }
}

TEST(CommandLineTest, QtOwnOptionsAreLeftToTheApplication) {
    const CommandLine line =
        Parse({"-style", "fusion", "a.c", "-platform", "offscreen", "-reverse", "b.h"});
    EXPECT_EQ(line.action, CommandLine::Action::Open);
    EXPECT_EQ(line.files, Native({"/home/mod/q3/a.c", "/home/mod/q3/b.h"}));
}

TEST(CommandLineTest, HelpAndVersionAnswerWhateverElseIsGiven) {
    for (const char* option : {"--help", "-h"}) {
        const CommandLine help = Parse({"a.c", option, "b.c"});
        EXPECT_EQ(help.action, CommandLine::Action::PrintHelp) << option;
        EXPECT_TRUE(help.text.startsWith("Usage: kelto [options] [FILE...]\n"))
            << help.text.toStdString();
        EXPECT_TRUE(help.text.contains("--version"));
        EXPECT_TRUE(help.text.contains(".kws"));
        EXPECT_FALSE(help.text.contains("-platform")); // Qt's options stay out of the help
    }
    // The version is the one the splash window and the About box show.
    ScriptedServices services;
    const Program program(services);
    const QString expected = QStringLiteral("Kelto %1.%2.%3\n")
                                 .arg(program.App.Major)
                                 .arg(program.App.Minor)
                                 .arg(program.App.Revision);
    for (const char* option : {"--version", "-v"}) {
        const CommandLine version = Parse({option, "a.c"});
        EXPECT_EQ(version.action, CommandLine::Action::PrintVersion);
        EXPECT_EQ(version.text, expected);
    }
    EXPECT_EQ(PrintCommandLine(Parse({"--version"})), 0);
}

TEST(CommandLineTest, AnUnknownOptionFailsWithAShortUsage) {
    for (const QStringList& arguments :
         {QStringList{"--frobnicate", "a.c"}, QStringList{"a.c", "-x"}, QStringList{"-hv"}}) {
        const CommandLine line = Parse(arguments);
        EXPECT_EQ(line.action, CommandLine::Action::Fail) << arguments.join(' ').toStdString();
        EXPECT_TRUE(line.text.startsWith("kelto: Unknown option")) << line.text.toStdString();
        EXPECT_TRUE(line.text.contains("Usage: kelto [options] [FILE...]\n"));
        EXPECT_TRUE(line.files.isEmpty());   // nothing opens
        EXPECT_LT(line.text.count('\n'), 4); // short, not the whole help
    }
    // A Qt option without its value is a mistake too.
    EXPECT_EQ(Parse({"a.c", "-style"}).action, CommandLine::Action::Fail);
    EXPECT_EQ(PrintCommandLine(Parse({"--frobnicate"})), 1);
}

TEST(CommandLineTest, WorkspaceFilesAreKnownByTheirExtensionInAnyCase) {
    EXPECT_TRUE(IsWorkspaceFile("/src/mymod.kws"));
    EXPECT_TRUE(IsWorkspaceFile("/src/MYMOD.KWS"));
    EXPECT_FALSE(IsWorkspaceFile("/src/mymod.kws.c"));
    EXPECT_FALSE(IsWorkspaceFile("/src/kws"));
    EXPECT_FALSE(IsWorkspaceFile("/src/g_main.c"));
}
