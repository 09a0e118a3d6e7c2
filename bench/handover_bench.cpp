// The hand-over between two starts under load: the running side in this thread, as in the
// program, and the other side in a thread or a child process of its own.
//   HandOverLargeList  a start hands over N files of 100 characters (20 MB for 100,000), in as
//                      many messages as the limit asks: the time until the running side has
//                      them all
//   HandOverOversized  20 MB sent as one message in 64 KB pieces: the time until it is cut off
//   HandOverFlood      a child process opens 1,100 connections and sends nothing; then a start
//                      hands over a file: the time that took, the file descriptors still open
//                      and the memory the flood added
// Registered by itself; kelto_bench's main runs it with the others:
//   kelto_bench --benchmark_filter=HandOver
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstring>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "bench/memory.h"
#include "platform/SingleInstance.h"

namespace {

// Turns the event loop until done() holds or the time is up.
template <class Done> bool TurnUntil(Done done, int ms = 120'000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// A start's HandOver in a thread of its own, while this thread serves: its time in ms, or -1.
double HandOverTime(const QString& folder, const QStringList& files) {
    std::atomic<int> result = -1;
    QElapsedTimer clock;
    clock.start();
    std::thread start([&] { result = SingleInstance(folder).HandOver(files) ? 1 : 0; });
    TurnUntil([&] { return result != -1; });
    start.join();
    return result == 1 ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                   .size());
}

// A connected Unix socket to path, blocking, or -1.
int Connect(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Running {
    QTemporaryDir folder;
    SingleInstance instance{folder.path()};
    qsizetype filesReceived = 0;
    Running() {
        instance.Listen();
        instance.Serve();
        QObject::connect(&instance, &SingleInstance::FilesReceived,
                         [this](const QStringList& files) { filesReceived += files.size(); });
    }
};

void HandOverLargeList(benchmark::State& state) {
    QStringList files;
    for (qsizetype n = 0; n < state.range(0); ++n)
        files << QStringLiteral("/src/game/%1/").arg(n, 6, 10, QLatin1Char('0')) +
                     QString(100 - 17, u'x');
    qsizetype bytes = HandOverMessage::HeaderBytes;
    for (const QString& file : files)
        bytes += HandOverMessage::FileBytes(file);
    for (auto _ : state) {
        Running running;
        const double ms = HandOverTime(running.folder.path(), files);
        TurnUntil([&] { return running.filesReceived == files.size(); });
        if (ms < 0 || running.filesReceived != files.size()) {
            state.SkipWithError("the files were not all taken");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        state.counters["MB"] = double(bytes) / 1e6;
        state.counters["messages"] =
            double((bytes + HandOverMessage::MostBytes - 1) / HandOverMessage::MostBytes);
        state.counters["MB_per_s"] = double(bytes) / 1e6 / (ms / 1000.0);
    }
}

void HandOverOversized(benchmark::State& state) {
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << quint32(0x4b454c31) << quint32(20'000);
    const QByteArray file = QByteArray::fromHex("000003e8") + QByteArray(1000, 'a');
    message += file.repeated(20'000);
    for (auto _ : state) {
        Running running;
        const int fd = Connect(QFile::encodeName(running.instance.SocketPath()));
        std::atomic<qint64> sent = 0;
        std::atomic<bool> cutOff = false;
        QElapsedTimer clock;
        clock.start();
        std::thread sender([&] {
            for (qsizetype at = 0; at < message.size(); at += 65536) {
                const auto piece = std::min<qsizetype>(65536, message.size() - at);
                if (::send(fd, message.constData() + at, std::size_t(piece), MSG_NOSIGNAL) < 0)
                    break;
                sent += piece;
            }
            char answer = 0;
            cutOff = ::recv(fd, &answer, 1, 0) == 0;
        });
        TurnUntil([&] { return cutOff.load(); }, 30'000);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        ::shutdown(fd, SHUT_RDWR);
        sender.join();
        ::close(fd);
        if (!cutOff) {
            state.SkipWithError("the oversized message was not cut off");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        state.counters["MB_sent"] = double(sent) / 1e6;
    }
}

void HandOverFlood(benchmark::State& state) {
    const int connections = int(state.range(0));
    for (auto _ : state) {
        Running running;
        const QByteArray path = QFile::encodeName(running.instance.SocketPath());
        malloc_trim(0);
        const long before = BenchMemory::StatusKiB("VmRSS");
        const bool reset = BenchMemory::ResetPeak();
        int ready[2];
        if (::pipe(ready) != 0) {
            state.SkipWithError("pipe");
            break;
        }
        const pid_t flood = ::fork();
        if (flood == 0) {
            rlimit limit{};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
            int opened = 0;
            for (int n = 0; n < connections; ++n)
                opened += Connect(path) >= 0 ? 1 : 0;
            const char count = char(opened * 100 / connections);
            (void)!::write(ready[1], &count, 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char percent = 0;
        std::atomic<bool> flooded = false;
        std::thread waiter([&] {
            (void)!::read(ready[0], &percent, 1);
            flooded = true;
        });
        TurnUntil([&] { return flooded.load(); }, 60'000);
        waiter.join();
        ::close(ready[0]);
        TurnUntil([] { return false; }, 200); // what is queued is accepted
        const int descriptors = OpenDescriptors();
        const double ms = HandOverTime(running.folder.path(), {QStringLiteral("/src/after.c")});
        TurnUntil([&] { return running.filesReceived == 1; }, 10'000);
        const long peak = BenchMemory::StatusKiB("VmHWM");
        ::kill(flood, SIGKILL);
        ::waitpid(flood, nullptr, 0);
        if (ms < 0 || running.filesReceived != 1) {
            state.SkipWithError("the start after the flood was not taken");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        state.counters["connected_pct"] = percent;
        state.counters["descriptors_open"] = descriptors;
        state.counters["peak_added_MiB"] = reset ? double(peak - before) / 1024.0 : -1.0;
    }
}

BENCHMARK(HandOverLargeList)
    ->ArgName("files")
    ->Arg(100'000)
    ->Apply(BenchMemory::OneFloodThreeTimes);
BENCHMARK(HandOverOversized)->Apply(BenchMemory::OneFloodThreeTimes);
BENCHMARK(HandOverFlood)
    ->ArgName("connections")
    ->Arg(1'100)
    ->Apply(BenchMemory::OneFloodThreeTimes);

} // namespace
