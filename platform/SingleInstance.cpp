// The hand-over between two starts of Kelto: a local socket (a Unix domain socket in the runtime
// folder; a named pipe on Windows), one message from the new start (a marker and the list of
// absolute file paths, in QDataStream form) and a one-byte answer once the running Kelto has the
// files. The socket lives in a folder only its user may enter, and its name holds the user and
// the display, so two users, or two displays of one user, never reach each other's Kelto.
#include "platform/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QWidget>
#include <cstdio>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
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
constexpr int AnswerMs = 10000; // the running Kelto may be busy loading its main window
constexpr int TurnMs = 20000;   // another start may be creating its application object
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

    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(ConnectMs))
        return false; // no Kelto runs, or a crashed one left its socket behind
#ifdef Q_OS_WIN
    if (!ServedByThisUser(socket)) {
        otherRunning = true; // the name is taken: this start runs on its own
        std::fputs("kelto: another user's program holds Kelto's pipe; this one runs on its own.\n",
                   stderr);
        return false;
    }
#endif

    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(StreamVersion);
    out << Marker << files;
    socket.write(message);
    socket.waitForBytesWritten(AnswerMs);
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(AnswerMs)) {
    }
    if (socket.read(1) == QByteArray(1, Taken)) {
        turn.reset();
        return true;
    }
    otherRunning = true;
    std::fputs("kelto: the running Kelto does not answer; this one runs on its own.\n", stderr);
    return false;
}

bool SingleInstance::Listen() {
    if (folder.isEmpty() || otherRunning) {
        turn.reset();
        return false;
    }
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    bool listening = server->listen(SocketPath());
    if (!listening && server->serverError() == QAbstractSocket::AddressInUseError) {
        // HandOver found no one behind it: left by a Kelto that crashed.
        QLocalServer::removeServer(SocketPath());
        listening = server->listen(SocketPath());
    }
    turn.reset();
    if (!listening) {
        std::fprintf(stderr, "kelto: cannot listen on %s: %s\n",
                     QFile::encodeName(SocketPath()).constData(),
                     server->errorString().toLocal8Bit().constData());
        delete server;
        server = nullptr;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Serve() {
    serving = true;
    if (keptRequest) {
        keptRequest = false;
        emit FilesReceived(std::exchange(kept, {}));
    }
}

void SingleInstance::Close() {
    delete server; // removes the socket
    server = nullptr;
    serving = false;
    turn.reset();
}

void SingleInstance::BringToFront(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    }
}

void SingleInstance::Read(QLocalSocket* socket) {
    QDataStream in(socket);
    in.setVersion(StreamVersion);
    in.startTransaction();
    quint32 marker = 0;
    in >> marker;
    if (in.status() == QDataStream::Ok && marker != Marker) {
        socket->abort(); // not a hand-over: nothing more is read from it
        return;
    }
    QStringList files;
    in >> files;
    if (!in.commitTransaction()) {
        if (in.status() != QDataStream::ReadPastEnd)
            socket->abort();
        return; // otherwise the rest is still on its way
    }
    socket->write(&Taken, 1);
    socket->disconnectFromServer();
    // Opening may show message boxes; not while this socket's signal is being handled.
    QMetaObject::invokeMethod(
        this, [this, files] { Deliver(files); }, Qt::QueuedConnection);
}

void SingleInstance::Deliver(const QStringList& files) {
    if (!serving) {
        kept += files;
        keptRequest = true;
        return;
    }
    emit FilesReceived(files);
}
