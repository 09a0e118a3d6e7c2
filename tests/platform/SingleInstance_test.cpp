// The hand-over between two starts, inside one test process: the running side in this thread,
// each new start in a thread of its own (a start blocks until it is answered), and programs
// that connect and send what they like, in this thread. A socket left by a crash is tested with
// real processes (tests/app/program_test.cpp); any bytes in any pieces by fuzz_handover.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "PrintQString.h"
#include "platform/SingleInstance.h"

namespace {

#ifdef Q_OS_WIN
// Windows names the pipe for the whole machine: each test process takes a user name of its own,
// so that tests running beside each other never meet at one pipe.
[[maybe_unused]] const bool ownUserName =
    qputenv("USERNAME", "kelto-test-" + QByteArray::number(quint64(GetCurrentProcessId())));
#endif

// Sets environment variables for one test and puts the old values back.
class Environment {
public:
    void Set(const char* name, const QByteArray& value) {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char* name) {
        Remember(name);
        qunsetenv(name);
    }
    ~Environment() {
        for (const auto& [name, value] : saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

private:
    void Remember(const char* name) {
        saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt);
    }
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
};

// A new start's HandOver, run in a thread of its own while this thread serves the socket.
bool HandOverFromAnotherStart(const QString& folder, const QStringList& files) {
    std::atomic<int> result = -1;
    std::thread start([&] { result = SingleInstance(folder).HandOver(files) ? 1 : 0; });
    (void)QTest::qWaitFor([&] { return result != -1; }, 15000);
    start.join();
    return result == 1;
}

#ifndef Q_OS_WIN
int Mode(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}
#endif

} // namespace

#ifdef Q_OS_WIN
// A named pipe for each user and logon session; the X display plays no part.
TEST(SingleInstanceTest, OnePipeForEachUserAndSession) {
    Environment environment;
    environment.Set("DISPLAY", ":5");
    DWORD session = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
    EXPECT_EQ(
        SingleInstance(QDir::tempPath()).SocketPath(),
        QStringLiteral("kelto-%1-session%2").arg(qEnvironmentVariable("USERNAME")).arg(session));
}
#else
TEST(SingleInstanceTest, OneSocketForEachUserAndDisplay) {
    Environment environment;
    environment.Unset("WAYLAND_DISPLAY");
    environment.Set("DISPLAY", ":5.0");
    const QString display5 = SingleInstance("/run/user/7").SocketPath();
    EXPECT_TRUE(display5.startsWith(QStringLiteral("/run/user/7/kelto-%1-").arg(::getuid())))
        << display5.toStdString();
    environment.Set("DISPLAY", ":5");
    EXPECT_EQ(SingleInstance("/run/user/7").SocketPath(), display5); // screen 0 of display 5
    environment.Set("DISPLAY", ":6");
    EXPECT_NE(SingleInstance("/run/user/7").SocketPath(), display5);
    environment.Set("DISPLAY", "localhost:10.0");
    const QString forwarded = SingleInstance("/run/user/7").SocketPath();
    EXPECT_FALSE(forwarded.mid(QStringLiteral("/run/user/7/").size()).contains('/'));
    EXPECT_FALSE(forwarded.contains(':'));
    environment.Set("WAYLAND_DISPLAY", "/run/user/7/wayland-1");
    const QString wayland = SingleInstance("/run/user/7").SocketPath();
    EXPECT_NE(wayland, forwarded);
    EXPECT_FALSE(wayland.mid(QStringLiteral("/run/user/7/").size()).contains('/'));
}

TEST(SingleInstanceTest, TheSocketLivesOnlyInAFolderNoOneElseMayEnter) {
    QTemporaryDir temp;
    Environment environment;
    environment.Set("TMPDIR", QFile::encodeName(temp.path()));
    const QString own = temp.filePath(QStringLiteral("kelto-%1").arg(::getuid()));

    QTemporaryDir runtime; // made 0700
    environment.Set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EXPECT_EQ(SingleInstance::RuntimeFolder(), runtime.path());

    // Readable by others, a link, or not set: a folder of Kelto's own instead, made private.
    QFile::setPermissions(runtime.path(),
                          QFile::permissions(runtime.path()) | QFile::ReadOther | QFile::ExeOther);
    EXPECT_EQ(SingleInstance::RuntimeFolder(), own);
    EXPECT_EQ(Mode(own), 0700);
    QDir(own).removeRecursively();
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString link = temp.filePath("link");
    ASSERT_TRUE(QFile::link(runtime.path(), link));
    environment.Set("XDG_RUNTIME_DIR", QFile::encodeName(link));
    EXPECT_EQ(SingleInstance::RuntimeFolder(), own);
    environment.Unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstance::RuntimeFolder(), own);

    // Its own folder opened up to others is not used: every start then runs on its own.
    ASSERT_EQ(::chmod(QFile::encodeName(own).constData(), 0755), 0);
    EXPECT_EQ(SingleInstance::RuntimeFolder(), QString());
    SingleInstance alone{QString()};
    EXPECT_FALSE(alone.HandOver({"/src/a.c"}));
    EXPECT_FALSE(alone.Listen());
}
#endif

TEST(SingleInstanceTest, FilesHandedOverAreKeptUntilServedThenPassedOnAsTheyCome) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    EXPECT_FALSE(running.HandOver({"/src/first.c"})); // no one runs yet
    ASSERT_TRUE(running.Listen());
#ifndef Q_OS_WIN
    EXPECT_EQ(Mode(running.SocketPath()) & 077, 0);
#endif
    std::vector<QStringList> received;
    QObject::connect(&running, &SingleInstance::FilesReceived,
                     [&](const QStringList& files) { received.push_back(files); });

    // While the main window is being made: kept.
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {"/src/g_main.c", "/src/mod.kws"}));
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {"/src/q shared.h"}));
    QTest::qWait(50);
    EXPECT_TRUE(received.empty());
    running.Serve();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], QStringList({"/src/g_main.c", "/src/mod.kws", "/src/q shared.h"}));

    // A start with no files still reaches it (its window comes to the front).
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {}));
    QTest::qWait(50);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[1].isEmpty());

    // Something that is not a hand-over is cut off and passes nothing on.
    QLocalSocket stranger;
    stranger.connectToServer(running.SocketPath());
    ASSERT_TRUE(stranger.waitForConnected(1000));
    stranger.write(QByteArray(64, 'x'));
    stranger.flush();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return stranger.state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received.size(), 2u);

    // Closed (its main window gone): the next start runs on its own and takes the socket.
    running.Close();
#ifndef Q_OS_WIN
    EXPECT_FALSE(QFile::exists(running.SocketPath()));
#endif
    SingleInstance next(folder.path());
    EXPECT_FALSE(next.HandOver({"/src/late.c"}));
    EXPECT_TRUE(next.Listen());
}

#ifndef Q_OS_WIN
namespace {

// A connection made without turning the event loop, so it waits in the listening queue.
int QueuedConnection(const QString& path) {
    sockaddr_un address{.sun_family = AF_UNIX};
    std::strcpy(address.sun_path, QFile::encodeName(path).constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

// Whether the running side has hung up on a connection.
bool CutOff(int fd, int ms = 5000) {
    char next = 0;
    return QTest::qWaitFor([&] { return ::recv(fd, &next, 1, MSG_DONTWAIT | MSG_PEEK) == 0; }, ms);
}

} // namespace

// The running Kelto stays reachable whatever connects to it: a message past the limit is cut
// off as soon as it passes it, a list longer than one message may hold goes in several, more
// connections than may be open push out the oldest, idle ones go when their time is up, and
// when no file descriptor is left an idle connection gives its up to the start queued behind
// it. (What any bytes in any pieces do: fuzz_handover.)
TEST(SingleInstanceTest, FloodsLeaveTheNextStartTaken) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    ASSERT_TRUE(running.Listen());
    running.Serve();
    std::vector<QStringList> received;
    QObject::connect(&running, &SingleInstance::FilesReceived,
                     [&](const QStringList& files) { received.push_back(files); });

    QByteArray twentyMegabytes;
    QDataStream(&twentyMegabytes, QIODevice::WriteOnly) << quint32(0x4b454c31) << quint32(20'000);
    twentyMegabytes += (QByteArray::fromHex("000003e8") + QByteArray(1000, 'a')).repeated(20'000);
    const int oversized = QueuedConnection(running.SocketPath());
    for (qsizetype at = 0; at < twentyMegabytes.size() && !CutOff(oversized, 0); QTest::qWait(0)) {
        const auto piece = std::size_t(std::min<qsizetype>(1 << 16, twentyMegabytes.size() - at));
        at += std::max<ssize_t>(0, ::send(oversized, twentyMegabytes.constData() + at, piece,
                                          MSG_DONTWAIT | MSG_NOSIGNAL));
    }
    EXPECT_TRUE(CutOff(oversized));
    ::close(oversized);

    QStringList many;
    for (int n = 0; n < 6000; ++n)
        many << QStringLiteral("/src/game/%1/").arg(n) + QString(100, u'x');
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), many));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }));
    EXPECT_EQ(received[0] + received[1], many);

    running.connectionMs = 300;
    std::vector<int> idle;
    for (std::size_t n = 0; n < SingleInstance::MostConnections + 10; ++n) {
        idle.push_back(QueuedConnection(running.SocketPath()));
        QTest::qWait(1);
    }
    EXPECT_TRUE(CutOff(idle[9], 200)); // pushed out at once
    EXPECT_FALSE(CutOff(idle.back(), 0));
    EXPECT_TRUE(CutOff(idle.back())); // its time was up
    for (const int fd : idle)
        ::close(fd);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    running.connectionMs = SingleInstance::ConnectionMs;
    std::vector<int> queued;
    for (int n = 0; n < 20; ++n)
        queued.push_back(QueuedConnection(running.SocketPath()));
    const int start = QueuedConnection(running.SocketPath());
    const QByteArray handOver = HandOverMessage::Encode({"/src/behind-the-queue.c"});
    ASSERT_EQ(::write(start, handOver.constData(), std::size_t(handOver.size())), handOver.size());
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    struct rlimit roomForTwo = saved;
    roomForTwo.rlim_cur = rlim_t(lowestFree + 2);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &roomForTwo), 0);
    const bool taken = QTest::qWaitFor([&] { return received.size() == 3; }, 2000);
    const bool socketKept = QFile::exists(running.SocketPath());
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(taken && socketKept);
    for (const int fd : queued)
        ::close(fd);
    ::close(start);
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {"/src/last.c"}));
}
#endif
