// The hand-over between two starts of Kelto: a local socket (a Unix domain socket in the runtime
// folder; a named pipe on Windows), one message from the new start (a marker and the list of
// absolute file paths, in QDataStream form) and a one-byte answer once the running Kelto has the
// files. The socket lives in a folder only its user may enter, and its name holds the user and
// the display, so two users, or two displays of one user, never reach each other's Kelto.
//
// On Linux the listening socket is Kelto's own rather than QLocalServer's, which closes for good
// (and removes the socket file) at the first connection it fails to accept.
#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>

#include <sddl.h>
#endif

namespace {

constexpr quint32 Marker = 0x4b454c31; // "KEL1": a hand-over in this form
constexpr char Taken = 'k';
constexpr int ConnectMs = 2000;
constexpr int AnswerMs = 10000;    // the running Kelto may be busy loading its main window
constexpr int TurnMs = 20000;      // another start may be creating its application object
constexpr int Attempts = 3;        // a hand-over cut off unanswered (in a flood) is sent again
constexpr int AcceptPauseMs = 250; // out of file descriptors: try again after this
constexpr int SweepMs = 1000;
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_0;

QString UserId() {
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// The display this start shows its windows on, fit for a file name; ":0.0" and ":0" are the
// same display (its screen 0). On Windows, the logon session: a user signed in twice (a remote
// desktop beside the console) has a desktop, and a Kelto, in each.
QString DisplayName() {
#ifdef Q_OS_WIN
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("session%1").arg(session);
#else
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) {
        display = qEnvironmentVariable("DISPLAY");
        const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
        if (colon >= 0 && dot > colon)
            display.truncate(dot);
    }
    if (display.isEmpty())
        return QStringLiteral("nodisplay");
    for (QChar& c : display) {
        const bool plain = c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('.'));
        if (!plain)
            c = QLatin1Char('_');
    }
    return display;
#endif
}

#ifdef Q_OS_UNIX
// A real folder (not a link) of this user's that no one else may enter.
bool IsPrivateFolder(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}
#endif

#ifdef Q_OS_WIN
// The account a process runs as, as its security identifier's text; empty when it cannot be
// told.
QString AccountOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    QString account;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    QByteArray buffer(int(size), '\0');
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.constData());
        wchar_t* text = nullptr;
        if (ConvertSidToStringSidW(user->User.Sid, &text)) {
            account = QString::fromWCharArray(text);
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return account;
}

// Pipe names are one namespace for every user of the machine: another user may have made
// ours first, to be handed our files. The pipe is ours when the process serving it runs as
// this user (or when Windows cannot tell).
bool ServedByThisUser(const QLocalSocket& socket) {
    ULONG server = 0;
    if (!GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(socket.socketDescriptor()), &server))
        return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, server);
    if (!process)
        return false; // one we may not even look at is not ours
    const QString theirs = AccountOf(process);
    CloseHandle(process);
    const QString ours = AccountOf(GetCurrentProcess());
    return theirs.isEmpty() || ours.isEmpty() || theirs == ours;
}
#endif

} // namespace

QByteArray HandOverMessage::Encode(const QStringList& files) {
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << Marker << files;
    return message;
}

HandOverMessage::State HandOverMessage::Refuse() {
    received = QByteArray();
    files.clear();
    return state = State::Refused;
}

bool HandOverMessage::Next(qsizetype n, QByteArrayView& bytes) {
    if (received.size() - used < n)
        return false;
    bytes = QByteArrayView(received).sliced(used, n);
    used += n;
    return true;
}

HandOverMessage::State HandOverMessage::Take(QByteArrayView piece) {
    if (state != State::Incomplete)
        return state;
    if (piece.size() > MostBytes - received.size())
        return Refuse();
    received.append(piece);
    QByteArrayView bytes;
    if (filesLeft < 0) {
        if (used == 0) {
            if (!Next(4, bytes))
                return state;
            if (qFromBigEndian<quint32>(bytes.data()) != Marker)
                return Refuse(); // not a hand-over
        }
        if (!Next(4, bytes))
            return state;
        filesLeft = qFromBigEndian<quint32>(bytes.data());
        // Nothing is set aside for the count: a file takes at least four bytes.
        if (filesLeft > (MostBytes - HeaderBytes) / 4)
            return Refuse();
    }
    while (filesLeft > 0) {
        const qsizetype start = used;
        if (!Next(4, bytes))
            return state;
        const quint32 length = qFromBigEndian<quint32>(bytes.data());
        if (length == 0xffffffff) { // QDataStream's null string
            files.append(QString());
        } else if (length == 0) {
            files.append(QString(QLatin1StringView(""))); // empty, not null
        } else if (length % 2 != 0 || length > quint32(MostBytes)) {
            return Refuse();
        } else if (!Next(qsizetype(length), bytes)) {
            if (qsizetype(length) > MostBytes - start - 4)
                return Refuse(); // it could never fit
            used = start;
            return state;
        } else {
            QString file(qsizetype(length / 2), Qt::Uninitialized);
            qFromBigEndian<char16_t>(bytes.data(), file.size(), file.data());
            files.append(std::move(file));
        }
        --filesLeft;
    }
    received = QByteArray();
    return state = State::Complete;
}

SingleInstance::SingleInstance(const QString& folder)
    : folder(folder),
      baseName(QStringLiteral("kelto-") + UserId() + QLatin1Char('-') + DisplayName()) {}

SingleInstance::~SingleInstance() {
    Close();
}

QString SingleInstance::RuntimeFolder() {
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/kelto-") + UserId();
    ::mkdir(QFile::encodeName(own).constData(), 0700); // fails when it exists: checked below
    return IsPrivateFolder(own) ? own : QString();
#else
    return QDir::tempPath(); // the user's own on Windows
#endif
}

QString SingleInstance::SocketPath() const {
#ifdef Q_OS_UNIX
    return folder + QLatin1Char('/') + baseName;
#else
    return baseName;         // a pipe name
#endif
}

bool SingleInstance::HandOver(const QStringList& files) {
    if (folder.isEmpty())
        return false;
    turn =
        std::make_unique<QLockFile>(folder + QLatin1Char('/') + baseName + QStringLiteral(".lock"));
    if (!turn->tryLock(TurnMs))
        turn.reset(); // a start that hangs holding the turn: go on without it

    // A list too long for one message goes in several, in order.
    qsizetype next = 0;
    do {
        qsizetype end = next;
        qsizetype size = HandOverMessage::HeaderBytes;
        while (end < files.size() &&
               (end == next ||
                size + HandOverMessage::FileBytes(files[end]) <= HandOverMessage::MostBytes))
            size += HandOverMessage::FileBytes(files[end++]);
        Reply reply = Reply::Closed;
        for (int attempt = 0; attempt < Attempts && reply == Reply::Closed; ++attempt)
            reply = Send(files.mid(next, end - next));
        if (reply == Reply::NoOne && next == 0)
            return false; // no Kelto runs, or a crashed one left its socket behind
        if (reply == Reply::Foreign) {
            otherRunning = true; // the name is taken: this start runs on its own
            std::fputs("kelto: another user's program holds Kelto's pipe; this one runs on its "
                       "own.\n",
                       stderr);
            return false;
        }
        if (reply != Reply::Taken) {
            otherRunning = true;
            std::fputs("kelto: the running Kelto does not answer; this one runs on its own.\n",
                       stderr);
            return false;
        }
        next = end;
    } while (next < files.size());
    turn.reset();
    return true;
}

SingleInstance::Reply SingleInstance::Send(const QStringList& files) {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(ConnectMs))
        return Reply::NoOne;
#ifdef Q_OS_WIN
    if (!ServedByThisUser(socket))
        return Reply::Foreign;
#endif
    socket.write(HandOverMessage::Encode(files));
    socket.waitForBytesWritten(AnswerMs);
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(AnswerMs)) {
    }
    if (socket.read(1) == QByteArray(1, Taken))
        return Reply::Taken;
    return socket.state() == QLocalSocket::UnconnectedState ? Reply::Closed : Reply::Silent;
}

bool SingleInstance::Listen() {
    if (folder.isEmpty() || otherRunning) {
        turn.reset();
        return false;
    }
    QString error;
    const bool listening = OpenListener(error);
    turn.reset();
    if (!listening) {
        std::fprintf(stderr, "kelto: cannot listen on %s: %s\n",
                     QFile::encodeName(SocketPath()).constData(), error.toLocal8Bit().constData());
        return false;
    }
    sweep = new QTimer(this);
    sweep->setInterval(std::min(SweepMs, connectionMs));
    connect(sweep, &QTimer::timeout, this, &SingleInstance::DropLate);
    return true;
}

#ifdef Q_OS_UNIX
bool SingleInstance::OpenListener(QString& error) {
    const QByteArray path = QFile::encodeName(SocketPath());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof address.sun_path) {
        error = QStringLiteral("the folder's name is too long for a socket");
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const auto fail = [&](int fd) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    };
    if (fd < 0)
        return fail(fd);
    const auto bound = [&] {
        return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    if (!bound()) {
        if (errno != EADDRINUSE)
            return fail(fd);
        // HandOver found no one behind it: left by a Kelto that crashed.
        ::unlink(path.constData());
        if (!bound())
            return fail(fd);
    }
    struct stat info {};
    // No one can connect before listen(): the socket is the user's alone from the start.
    if (::chmod(path.constData(), 0600) != 0 || ::lstat(path.constData(), &info) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::unlink(path.constData());
        return fail(fd);
    }
    listenerFd = fd;
    socketInode = info.st_ino;
    listener = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listener, &QSocketNotifier::activated, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::CloseListener() {
    if (listenerFd < 0)
        return;
    delete listener;
    listener = nullptr;
    ::close(listenerFd);
    listenerFd = -1;
    // The socket file goes unless another Kelto has put its own in its place.
    const QByteArray path = QFile::encodeName(SocketPath());
    struct stat info {};
    if (::lstat(path.constData(), &info) == 0 && info.st_ino == socketInode)
        ::unlink(path.constData());
}

void SingleInstance::Accept() {
    while (listenerFd >= 0) {
        const int fd = ::accept4(listenerFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if ((errno == EMFILE || errno == ENFILE) && !connections.empty()) {
                // Out of file descriptors: the connection that has waited longest without
                // delivering a hand-over gives its up to the one waiting in the queue.
                Drop(connections.front().socket);
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of file descriptors used elsewhere, or of memory: the connection waits in
                // the queue, and listening pauses a moment rather than spin.
                listener->setEnabled(false);
                QTimer::singleShot(AcceptPauseMs, listener, [this] { listener->setEnabled(true); });
            }
            return;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState)) {
            ::close(fd);
            delete socket;
            continue;
        }
        Adopt(socket);
    }
}
#else
bool SingleInstance::OpenListener(QString& error) {
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    bool listening = server->listen(SocketPath());
    if (!listening && server->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(SocketPath());
        listening = server->listen(SocketPath());
    }
    if (!listening) {
        error = server->errorString();
        delete server;
        server = nullptr;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::CloseListener() {
    delete server;
    server = nullptr;
}

void SingleInstance::Accept() {
    while (server) {
        QLocalSocket* socket = server->nextPendingConnection();
        if (!socket)
            return;
        Adopt(socket);
    }
}
#endif

void SingleInstance::Serve() {
    serving = true;
    if (keptRequest) {
        keptRequest = false;
        emit FilesReceived(std::exchange(kept, {}));
    }
}

void SingleInstance::Close() {
    CloseListener();
    while (!connections.empty())
        Drop(connections.front().socket);
    delete sweep;
    sweep = nullptr;
    serving = false;
    turn.reset();
}

void SingleInstance::BringToFront(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

void SingleInstance::Adopt(QLocalSocket* socket) {
    if (connections.size() >= MostConnections)
        Drop(connections.front().socket); // the oldest, which has had the longest to finish
    connections.push_back({socket, HandOverMessage(), QDeadlineTimer(connectionMs)});
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Forget(socket); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    if (sweep && !sweep->isActive())
        sweep->start();
    // A start sends its hand-over as it connects: what has arrived is read now, before a flood
    // of connections accepted after this one could push it out.
    socket->waitForReadyRead(0);
}

SingleInstance::Connection* SingleInstance::Find(const QLocalSocket* socket) {
    const auto found = std::find_if(connections.begin(), connections.end(),
                                    [socket](const Connection& c) { return c.socket == socket; });
    return found == connections.end() ? nullptr : &*found;
}

void SingleInstance::Forget(QLocalSocket* socket) {
    std::erase_if(connections, [socket](const Connection& c) { return c.socket == socket; });
    socket->disconnect(this);
}

void SingleInstance::Drop(QLocalSocket* socket) {
    Forget(socket);
    socket->abort();
    socket->deleteLater();
}

void SingleInstance::Read(QLocalSocket* socket) {
    Connection* connection = Find(socket);
    if (!connection)
        return;
    switch (connection->message.Take(socket->read(HandOverMessage::MostBytes + 1))) {
    case HandOverMessage::State::Incomplete:
        return;
    case HandOverMessage::State::Refused:
        Drop(socket); // nothing more is read from it
        return;
    case HandOverMessage::State::Complete:
        break;
    }
    const QStringList files = connection->message.Files();
    Forget(socket);
    socket->write(&Taken, 1);
    socket->disconnectFromServer();
    // Opening may show message boxes; not while this socket's signal is being handled.
    QMetaObject::invokeMethod(
        this, [this, files] { Deliver(files); }, Qt::QueuedConnection);
}

void SingleInstance::DropLate() {
    std::vector<QPointer<QLocalSocket>> late;
    for (const Connection& connection : connections)
        if (connection.deadline.hasExpired())
            late.emplace_back(connection.socket);
    for (const QPointer<QLocalSocket>& socket : late) {
        // What has arrived while the program was busy counts.
        if (socket && Find(socket))
            socket->waitForReadyRead(0);
        if (socket && Find(socket))
            Drop(socket);
    }
    if (connections.empty())
        sweep->stop();
}

void SingleInstance::Deliver(const QStringList& files) {
    if (!serving) {
        kept += files;
        keptRequest = true;
        return;
    }
    emit FilesReceived(files);
}
