// The built program started as a user starts it, offscreen: --help and --version with no
// display at all, and a second start that hands its files to the first. Whether the running
// Kelto opened a file is seen from outside, by the kernel's note that the file was opened
// (inotify); the second start itself never opens the files it hands over.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include "app/Program.h"
#include "support/ScriptedServices.h"
#include "support/TestFiles.h"

namespace {

constexpr int StartMs = 60000; // a sanitizer build starts slowly

#ifndef Q_OS_WIN
// Waits for files to be opened by any process.
class OpenedFiles {
public:
    OpenedFiles() : fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenedFiles() { ::close(fd); }
    void Watch(const QString& path) {
        const int watch = ::inotify_add_watch(fd, QFile::encodeName(path).constData(), IN_OPEN);
        ASSERT_GE(watch, 0) << path.toStdString();
        names[watch] = path;
    }
    // True once path has been opened since Watch (or is among those seen before).
    bool WaitFor(const QString& path, int ms = StartMs) {
        return QTest::qWaitFor(
            [&] {
                Drain();
                return opened.contains(path);
            },
            ms);
    }

private:
    void Drain() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t size = ::read(fd, buffer, sizeof buffer);
            if (size <= 0)
                return;
            for (ssize_t at = 0; at < size;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                opened.append(names.value(event->wd));
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }
    int fd;
    QMap<int, QString> names;
    QStringList opened;
};
#endif

class ProgramStart : public ::testing::Test {
protected:
    // The environment of one user on one display, with settings and socket in test folders.
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("DISPLAY", ":4242");
        environment.remove("WAYLAND_DISPLAY");
#ifdef Q_OS_WIN
        environment.insert("USERNAME", UserName());
#endif
        return environment;
    }

#ifdef Q_OS_WIN
    // Windows names the running Kelto's pipe for the whole machine: a user name of this test's
    // own keeps it from a Kelto that another test starts beside it.
    QString UserName() const {
        return "kelto-test-" + QFileInfo(runtime.path()).fileName();
    }

    // A Kelto of this test's user listens: its pipe is there (looked at without connecting).
    bool Listening() const {
        DWORD session = 0;
        ProcessIdToSessionId(GetCurrentProcessId(), &session);
        const QString pipe =
            QStringLiteral("\\\\.\\pipe\\kelto-%1-session%2").arg(UserName()).arg(session);
        return WaitNamedPipeW(reinterpret_cast<const wchar_t*>(pipe.utf16()), 1) ||
               GetLastError() == ERROR_SEM_TIMEOUT; // there, every instance busy
    }
#endif

    QProcess& Start(const QStringList& arguments, const QProcessEnvironment& environment) {
        auto& process = processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(files.path());
        process->start(QStringLiteral(KELTO_PROGRAM), arguments);
        EXPECT_TRUE(process->waitForStarted(StartMs));
        return *process;
    }
    QProcess& Start(const QStringList& arguments) {
        return Start(arguments, Environment());
    }

    static bool Ends(QProcess& process) {
        return process.waitForFinished(StartMs) && process.exitStatus() == QProcess::NormalExit;
    }

    QString File(const QString& name) {
        const QString path = WriteTestFile(files, name, "int " + name.left(1).toLatin1() + ";\n");
#ifndef Q_OS_WIN
        opened.Watch(path);
#endif
        return path;
    }

    void TearDown() override {
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QTemporaryDir runtime, config, files;
#ifndef Q_OS_WIN
    OpenedFiles opened;
#endif
    std::vector<std::unique_ptr<QProcess>> processes;
};

} // namespace

TEST_F(ProgramStart, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment noDisplay = Environment();
    noDisplay.remove("DISPLAY");
    noDisplay.insert("QT_QPA_PLATFORM", "xcb"); // would abort if a window were attempted

    QProcess& version = Start({"--version"}, noDisplay);
    ASSERT_TRUE(Ends(version));
    ScriptedServices services;
    const Program program(services);
    EXPECT_EQ(version.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(version.readAllStandardOutput()), QStringLiteral("Kelto %1.%2.%3\n")
                                                                      .arg(program.App.Major)
                                                                      .arg(program.App.Minor)
                                                                      .arg(program.App.Revision));

    QProcess& help = Start({"--help", "a.c"}, noDisplay);
    ASSERT_TRUE(Ends(help));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: kelto [options] [FILE...]\n"));

    QProcess& wrong = Start({"a.c", "--frobnicate"}, noDisplay);
    ASSERT_TRUE(Ends(wrong));
    EXPECT_EQ(wrong.exitCode(), 1);
    EXPECT_TRUE(wrong.readAllStandardOutput().isEmpty());
    const QByteArray error = wrong.readAllStandardError();
    EXPECT_TRUE(error.contains("Unknown option 'frobnicate'")) << error.toStdString();
    EXPECT_TRUE(error.contains("Usage: kelto")) << error.toStdString();
}

#ifdef Q_OS_WIN
// Windows has no note of a file's opening that a program may wait for: the hand-over shows in
// the second start ending at once, its files taken, while the first runs on.
TEST_F(ProgramStart, ASecondStartHandsItsFilesToTheFirstAndEnds) {
    const QString first = File("g_main.c"), second = File("bg_lib.c"), third = File("q_math.c");
    QProcess& running = Start({first});
    // Started together, either start could be the first: the second comes once the first
    // listens.
    ASSERT_TRUE(QTest::qWaitFor([this] { return Listening(); }, StartMs));
    QProcess& again = Start({"bg_lib.c", third});
    ASSERT_TRUE(Ends(again)) << again.readAllStandardError().toStdString();
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_EQ(running.state(), QProcess::Running);

    // Killed, the first leaves nothing behind: the next start runs a Kelto of its own.
    running.kill();
    ASSERT_TRUE(running.waitForFinished(StartMs));
    QProcess& replacement = Start({second});
    EXPECT_FALSE(replacement.waitForFinished(3000));
    EXPECT_EQ(replacement.state(), QProcess::Running);
}
#else
TEST_F(ProgramStart, ASecondStartHandsItsFilesToTheFirstAndEnds) {
    const QString first = File("g_main.c"), second = File("bg_lib.c"), third = File("q_math.c");
    QProcess& running = Start({first});
    ASSERT_TRUE(opened.WaitFor(first)) << running.readAllStandardError().toStdString();

    // Named relative to the start's own folder; opened by the Kelto already running.
    QProcess& again = Start({"bg_lib.c", third});
    ASSERT_TRUE(Ends(again));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_TRUE(opened.WaitFor(second));
    EXPECT_TRUE(opened.WaitFor(third));
    EXPECT_EQ(running.state(), QProcess::Running);

    // Another display is another Kelto.
    QProcessEnvironment otherDisplay = Environment();
    otherDisplay.insert("DISPLAY", ":4243");
    QProcess& elsewhere = Start({}, otherDisplay);
    EXPECT_FALSE(elsewhere.waitForFinished(3000));
    EXPECT_EQ(elsewhere.state(), QProcess::Running);
}

TEST_F(ProgramStart, ASocketLeftByACrashedKeltoIsReplaced) {
    const QString first = File("g_main.c"), second = File("bg_lib.c"), third = File("q_math.c");
    QProcess& crashed = Start({first});
    ASSERT_TRUE(opened.WaitFor(first));
    crashed.kill(); // SIGKILL: no chance to remove its socket
    ASSERT_TRUE(crashed.waitForFinished(StartMs));
    ASSERT_FALSE(QDir(runtime.path()).entryList({"kelto-*"}, QDir::System).isEmpty());

    QProcess& replacement = Start({second});
    ASSERT_TRUE(opened.WaitFor(second)) << replacement.readAllStandardError().toStdString();
    QProcess& again = Start({third});
    ASSERT_TRUE(Ends(again));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_TRUE(opened.WaitFor(third));
    EXPECT_EQ(replacement.state(), QProcess::Running);
}
#endif
