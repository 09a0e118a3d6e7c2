// The build script's child process with real scripts: what runs it, one output stream in the
// order it was written, exit codes and signals, an empty standard input, a start that fails.
// Stop and the group it ends are tried through the build window (BuildWindowTest).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/BuildProcess.h"

#ifndef Q_OS_WIN
#include <csignal>
#endif

namespace {

struct Run {
    QByteArray output;
    std::optional<BuildProcess::Exit> exit;
};

// Starts a script and collects its output until it ends (or the timeout passes).
class ScriptRun {
public:
    ScriptRun(const QString& scriptPath, const QString& directory) {
        QObject::connect(&process, &BuildProcess::Output,
                         [this](const QByteArray& bytes) { result.output += bytes; });
        QObject::connect(&process, &BuildProcess::Finished,
                         [this](const BuildProcess::Exit& exit) { result.exit = exit; });
        QString error;
        started = process.Start(scriptPath, directory, error);
        EXPECT_TRUE(started) << error.toStdString();
    }
    bool WaitForEnd(int ms = 10000) {
        return QTest::qWaitFor([this] { return result.exit.has_value(); }, ms);
    }
    BuildProcess process;
    Run result;
    bool started = false;
};

QString WriteScript(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path; // deliberately not executable: the script goes to /bin/sh as an argument
}

TEST(BuildProcess, ScriptPathIsAnArgumentNeverACommandLine) {
    const auto posix =
        BuildProcess::CommandFor("/src/my mod/$(reboot)/rev.bat", PathStyle::Style::Posix);
    EXPECT_EQ(posix.program, "/bin/sh");
    EXPECT_EQ(posix.arguments, QStringList{"/src/my mod/$(reboot)/rev.bat"});

    // cmd.exe has no argument vector: /s /c and a pair of quotes inside the outer pair keep
    // & ( ) ^ and blanks part of the name.
    const auto windows =
        BuildProcess::CommandFor("D:/q3 & co/game/gamerev.bat", PathStyle::Style::Windows);
    EXPECT_EQ(windows.program, "cmd.exe");
    EXPECT_TRUE(windows.arguments.isEmpty());
    EXPECT_EQ(windows.nativeArguments, "/d /s /c \"\"D:\\q3 & co\\game\\gamerev.bat\"\"");
    // cmd replaces %NAME% on that line, quotes or not: a script in the working directory is
    // named from there.
    for (const QString folder : {"D:\\q3 %PATH% co\\game", "d:/Q3 %PATH% co/game/"}) {
        EXPECT_EQ(BuildProcess::CommandFor("D:/q3 %PATH% co/game/gamerev.bat",
                                           PathStyle::Style::Windows, folder)
                      .nativeArguments,
                  "/d /s /c \"\".\\gamerev.bat\"\"")
            << folder.toStdString();
    }
}

#ifdef Q_OS_WIN
QString WriteBatch(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = QDir::toNativeSeparators(dir.filePath(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
}

TEST(BuildProcess, CmdRunsTheScriptWithOneStreamAndItsExitCode) {
    QTemporaryDir dir;
    const QString native = QDir::toNativeSeparators(dir.path());
    ScriptRun run(WriteBatch(dir, "rev.bat",
                             "@echo off\r\necho out1\r\n>&2 echo err1\r\necho out2\r\n"
                             "cd\r\n"
                             "set answer=nothing\r\nset /p answer=\r\n" // stdin is empty
                             "echo read %answer%\r\n"
                             "exit /b 3\r\n"),
                  native);
    ASSERT_TRUE(run.WaitForEnd(30000));
    EXPECT_EQ(QString::fromLocal8Bit(run.result.output),
              "out1\r\nerr1\r\nout2\r\n" + native + "\r\nread nothing\r\n");
    EXPECT_FALSE(run.result.exit->signalled);
    EXPECT_EQ(run.result.exit->code, 3);
    EXPECT_EQ(run.process.ProcessId(), 0);

    // An exception's status is reported as such.
    ScriptRun crashed(WriteBatch(dir, "crash.bat", "@exit /b -1073741819\r\n"), native);
    ASSERT_TRUE(crashed.WaitForEnd(30000));
    EXPECT_TRUE(crashed.result.exit->signalled);
    EXPECT_EQ(BuildProcess::SignalName(crashed.result.exit->code),
              "an access violation (0xC0000005)");
    EXPECT_EQ(BuildProcess::SignalName(int(0xC0001234)), "exception 0xC0001234");
}
#endif

#ifndef Q_OS_WIN
TEST(BuildProcess, OneStreamInWriteOrderAndTheExitCode) {
    QTemporaryDir dir;
    const QString script =
        WriteScript(dir, "rev.bat",
                    "echo out1; echo err1 >&2; echo out2; echo err2 >&2\n"
                    "pwd\n"
                    "read answer; echo \"read gave $?\"\n" // no one types: standard input is empty
                    "exit 3\n");
    ScriptRun run(script, dir.path());
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.result.output,
              "out1\nerr1\nout2\nerr2\n" + dir.path().toLocal8Bit() + "\nread gave 1\n");
    EXPECT_FALSE(run.result.exit->signalled);
    EXPECT_EQ(run.result.exit->code, 3);
    EXPECT_FALSE(run.result.exit->stopped);
    EXPECT_GE(run.result.exit->elapsedMs, 0);
    EXPECT_FALSE(run.process.IsRunning());
    EXPECT_EQ(run.process.ProcessId(), 0);
}

TEST(BuildProcess, ASignalIsReportedAsSuch) {
    QTemporaryDir dir;
    ScriptRun run(WriteScript(dir, "rev.bat", "kill -SEGV $$\n"), dir.path());
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(run.result.exit->signalled);
    EXPECT_EQ(run.result.exit->code, SIGSEGV);
    EXPECT_EQ(BuildProcess::SignalName(SIGSEGV), "SIGSEGV");
    EXPECT_EQ(BuildProcess::SignalName(77), "signal 77");

    // Kelto outlives a write past the file-size limit; a script it starts lives by the limit as
    // the user set it and ends at such a write, as it would started from a terminal.
    ScriptRun limited(
        WriteScript(dir, "limit.bat", "ulimit -f 1\nprintf '%4096s' x > big\necho went on\n"),
        dir.path());
    ASSERT_TRUE(limited.WaitForEnd());
    EXPECT_TRUE(limited.result.exit->signalled) << limited.result.output.toStdString();
    EXPECT_EQ(limited.result.exit->code, SIGXFSZ);
}

#endif

TEST(BuildProcess, AScriptThatCannotStartSaysWhy) {
    QTemporaryDir dir;
    const QString script = WriteScript(dir, "rev.bat", "echo ran\n");
    BuildProcess missing;
    QString error;
    EXPECT_FALSE(missing.Start(script, dir.filePath("no such directory"), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(missing.IsRunning());
}

} // namespace
