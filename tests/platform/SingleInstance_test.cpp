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
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "PrintQString.h"
#include "platform/SingleInstance.h"

namespace {

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

int Mode(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

} // namespace

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

TEST(SingleInstanceTest, FilesHandedOverAreKeptUntilServedThenPassedOnAsTheyCome) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    EXPECT_FALSE(running.HandOver({"/src/first.c"})); // no one runs yet
    ASSERT_TRUE(running.Listen());
    EXPECT_EQ(Mode(running.SocketPath()) & 077, 0);
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
    EXPECT_FALSE(QFile::exists(running.SocketPath()));
    SingleInstance next(folder.path());
    EXPECT_FALSE(next.HandOver({"/src/late.c"}));
    EXPECT_TRUE(next.Listen());
}

namespace {

// A program that connects to the running Kelto from this thread and sends what it likes.
struct Stranger {
    explicit Stranger(const QString& path) {
        socket.connectToServer(path);
        connected = QTest::qWaitFor([&] { return socket.state() == QLocalSocket::ConnectedState; });
    }
    // Sends the bytes in pieces, letting the running side read between them, until it hangs up.
    void Send(const QByteArray& bytes, qsizetype piece) {
        for (qsizetype at = 0; at < bytes.size() && socket.state() == QLocalSocket::ConnectedState;
             at += piece) {
            socket.write(bytes.mid(at, piece));
            socket.flush();
            QTest::qWait(0);
        }
    }
    bool CutOff() {
        return QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; });
    }
    QLocalSocket socket;
    bool connected = false;
};

// A connection made without turning the event loop (blocking), so it waits in the queue.
int RawConnection(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

QByteArray Header(quint32 count) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(0x4b454c31) << count;
    return bytes;
}

QByteArray FileLength(quint32 length) {
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << length;
    return bytes;
}

} // namespace

// Whatever a connection sends, the running Kelto reads each byte once, cuts off what cannot be a
// hand-over (or would pass the limit) as soon as that shows, and takes the next start's files.
TEST(SingleInstanceTest, HostileMessagesAreCutOffAndTheNextStartIsStillTaken) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    ASSERT_TRUE(running.Listen());
    running.Serve();
    std::vector<QStringList> received;
    QObject::connect(&running, &SingleInstance::FilesReceived,
                     [&](const QStringList& files) { received.push_back(files); });

    const qsizetype limit = HandOverMessage::MostBytes;
    const struct {
        const char* what;
        QByteArray bytes;
        qsizetype piece;
    } hostile[] = {
        {"not a hand-over", QByteArray(64, 'x'), 64},
        // QDataStream, which read the list before, asked for memory for that many files first.
        {"a count of four billion files", Header(0xfffffffe), 8},
        {"more files than the limit can hold", Header(quint32(limit / 4)), 8},
        {"an odd number of bytes for UTF-16", Header(1) + FileLength(3) + "abc", 1},
        {"a file longer than the limit", Header(1) + FileLength(quint32(limit)), 8},
        {"20 MB in 64 KB pieces",
         Header(20'000) + (FileLength(1000) + QByteArray(1000, 'a')).repeated(20'000), 65536},
    };
    for (const auto& message : hostile) {
        Stranger stranger(running.SocketPath());
        ASSERT_TRUE(stranger.connected) << message.what;
        stranger.Send(message.bytes, message.piece);
        EXPECT_TRUE(stranger.CutOff()) << message.what;
    }
    QTest::qWait(20);
    EXPECT_TRUE(received.empty());

    // A hand-over one byte at a time is taken like any other.
    Stranger patient(running.SocketPath());
    patient.Send(HandOverMessage::Encode({"/src/g_main.c", QString(), ""}), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return patient.socket.bytesAvailable() > 0; }));
    EXPECT_EQ(patient.socket.readAll(), "k");
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0], QStringList({"/src/g_main.c", "", ""}));

    // A list longer than one message may be goes in several, in order.
    QStringList many;
    for (int n = 0; n < 6000; ++n)
        many << QStringLiteral("/src/game/%1/").arg(n) + QString(100, u'x');
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), many));
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() > 2; }));
    QStringList together;
    for (std::size_t n = 1; n < received.size(); ++n)
        together += received[n];
    EXPECT_EQ(together, many);
}

// Idle connections, more than may be open at once, a connection that never finishes, and no
// file descriptor left to accept with: the socket stays, listening goes on, and the next start
// is taken.
TEST(SingleInstanceTest, FloodsLeaveTheNextStartTaken) {
    QTemporaryDir folder;
    SingleInstance running(folder.path());
    running.connectionMs = 300;
    ASSERT_TRUE(running.Listen());
    running.Serve();
    std::vector<QStringList> received;
    QObject::connect(&running, &SingleInstance::FilesReceived,
                     [&](const QStringList& files) { received.push_back(files); });

    const std::size_t extra = 10;
    std::vector<std::unique_ptr<Stranger>> idle;
    for (std::size_t n = 0; n < SingleInstance::MostConnections + extra; ++n)
        idle.push_back(std::make_unique<Stranger>(running.SocketPath()));
    const auto cutOff = [&] {
        return std::count_if(idle.begin(), idle.end(), [](const auto& stranger) {
            return stranger->socket.state() == QLocalSocket::UnconnectedState;
        });
    };
    // The oldest went to make room at once; the rest when their time was up.
    EXPECT_TRUE(QTest::qWaitFor([&] { return cutOff() >= long(extra); }, 200));
    EXPECT_TRUE(idle.back()->socket.state() == QLocalSocket::ConnectedState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return cutOff() == long(idle.size()); }, 5000));
    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {"/src/after-the-flood.c"}));

    // No file descriptor to accept with: the start waits in the queue, not cut off, and is
    // taken once one is free again.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto limitDescriptors = [&saved](int spare) {
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        struct rlimit limit = saved;
        limit.rlim_cur = rlim_t(lowestFree + spare);
        return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
    };
    Stranger waiting(running.SocketPath());
    ASSERT_TRUE(waiting.connected);
    ASSERT_TRUE(limitDescriptors(0));
    waiting.Send(HandOverMessage::Encode({"/src/no-descriptors.c"}), 1 << 16);
    QTest::qWait(600);
    bool socketKept = QFile::exists(running.SocketPath());
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(socketKept);
    EXPECT_TRUE(QTest::qWaitFor([&] { return waiting.socket.bytesAvailable() > 0; }));
    EXPECT_EQ(waiting.socket.readAll(), "k");

    // Idle connections queued ahead of a start, with room for two: each gives its descriptor
    // up to the next, and the start is taken at once.
    running.connectionMs = SingleInstance::ConnectionMs;
    std::vector<int> queued;
    for (int n = 0; n < 20; ++n)
        queued.push_back(RawConnection(running.SocketPath()));
    const int start = RawConnection(running.SocketPath());
    const QByteArray handOver = HandOverMessage::Encode({"/src/behind-the-queue.c"});
    ASSERT_EQ(::write(start, handOver.constData(), std::size_t(handOver.size())),
              ssize_t(handOver.size()));
    ASSERT_TRUE(limitDescriptors(2));
    const bool taken = QTest::qWaitFor([&] { return received.size() == 3; }, 2000);
    socketKept = QFile::exists(running.SocketPath());
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(taken);
    EXPECT_TRUE(socketKept);
    char answer = 0;
    EXPECT_EQ(::read(start, &answer, 1), 1);
    EXPECT_EQ(answer, 'k');
    for (const int fd : queued)
        ::close(fd);
    ::close(start);

    EXPECT_TRUE(HandOverFromAnotherStart(folder.path(), {"/src/last.c"}));
    QTest::qWait(20);
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received[1], QStringList{"/src/no-descriptors.c"});
    EXPECT_EQ(received[2], QStringList{"/src/behind-the-queue.c"});
}
