// The build script's child process with real scripts: what runs it, one output stream in the
// order it was written, exit codes and signals, an empty standard input, and Stop ending the
// script together with what it started, even a child that ignores the polite request.
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
#include <sys/types.h>
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

#ifndef Q_OS_WIN
// Gone, or a zombie waiting for whoever adopted it: either way it runs no more.
bool Running(qint64 pid) {
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fields = stat.readAll();
    const qsizetype close = fields.lastIndexOf(')');
    return close < 0 || fields.mid(close + 2, 1) != "Z";
}
#endif

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
}

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
}

TEST(BuildProcess, StopEndsTheScriptAndEverythingItStarted) {
    QTemporaryDir dir;
    // One child that ends on the polite request, one that ignores it.
    const QString script = WriteScript(dir, "rev.bat",
                                       "sleep 60 &\necho \"polite $!\"\n"
                                       "(trap '' TERM; exec sleep 60) &\necho \"stubborn $!\"\n"
                                       "wait\n");
    ScriptRun run(script, dir.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.result.output.contains("stubborn"); }, 10000));
    const qint64 leader = run.process.ProcessId();
    qint64 polite = 0, stubborn = 0;
    for (const QByteArray& line : run.result.output.split('\n')) {
        if (line.startsWith("polite "))
            polite = line.mid(7).toLongLong();
        if (line.startsWith("stubborn "))
            stubborn = line.mid(9).toLongLong();
    }
    ASSERT_GT(polite, 0);
    ASSERT_GT(stubborn, 0);
    EXPECT_TRUE(Running(polite) && Running(stubborn) && Running(leader));

    run.process.Stop();
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(run.result.exit->stopped);
    EXPECT_TRUE(run.result.exit->signalled);
    EXPECT_EQ(run.result.exit->code, SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Running(polite); }, 3000));
    // The stubborn one is killed once the grace period is over.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !Running(stubborn); }, BuildProcess::StopGraceMs + 5000));
    EXPECT_FALSE(Running(leader));
}

TEST(BuildProcess, DestroyingARunningProcessEndsItsGroup) {
    QTemporaryDir dir;
    const QString script = WriteScript(dir, "rev.bat", "sleep 60 &\necho \"child $!\"\nwait\n");
    qint64 child = 0;
    {
        ScriptRun run(script, dir.path());
        ASSERT_TRUE(QTest::qWaitFor([&] { return run.result.output.contains('\n'); }, 10000));
        child = run.result.output.trimmed().mid(6).toLongLong();
        ASSERT_GT(child, 0);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Running(child); }, 3000));
}

TEST(BuildProcess, APathFullOfShellSyntaxIsRunAsItIs) {
    QTemporaryDir dir;
    const QString odd = dir.filePath("q3 $(touch pwned) `touch pwned2`; touch pwned3 'x'");
    ASSERT_TRUE(QDir().mkpath(odd));
    const QString script = odd + "/rev.bat";
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("echo ran\n");
    file.close();
    ScriptRun run(script, odd);
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.result.output, "ran\n");
    EXPECT_EQ(run.result.exit->code, 0);
    for (const QString& where : {dir.path(), odd})
        EXPECT_TRUE(QDir(where).entryList({"pwned*"}).isEmpty()) << where.toStdString();

    // A script that cannot start says why.
    BuildProcess missing;
    QString error;
    EXPECT_FALSE(missing.Start(script, dir.filePath("no such directory"), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(missing.IsRunning());
}
#endif

} // namespace
