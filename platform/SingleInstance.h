// One Kelto for each user and display. A start first offers its files to the Kelto already
// running, through a local socket in the user's private runtime folder; when none takes them,
// this start becomes the running Kelto and listens on that socket itself. Starts are taken one
// at a time (a lock file beside the socket), so two at once never both listen; a socket left by
// a Kelto that crashed answers no one and is replaced.
//
// The running Kelto stays reachable whatever connects to it: a hand-over is at most
// HandOverMessage::MostBytes (a longer list of files goes in several), each byte is looked at
// once however it is cut into pieces, a connection has ConnectionMs to deliver its hand-over,
// at most MostConnections are open at once (the oldest unfinished one goes to make room, also
// when file descriptors run out), what a connection has sent is read as it is accepted, and a
// connection that cannot be accepted for want of file descriptors used elsewhere waits in the
// queue while listening pauses a moment; listening never stops for good.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QSocketNotifier;
class QTimer;
class QWidget;

// One hand-over as its bytes arrive, in pieces of any size: a marker, the number of files, and
// each file's length in bytes and UTF-16 characters (QDataStream's form of a QStringList,
// big-endian). Each byte is looked at once; a message that cannot be a hand-over, or that would
// be longer than MostBytes, is refused as soon as that shows.
class HandOverMessage {
public:
    static constexpr qsizetype MostBytes = 1 << 20;
    enum class State { Incomplete, Complete, Refused };

    // The bytes a start sends for these files.
    static QByteArray Encode(const QStringList& files);
    // What one more file adds to a message's length.
    static qsizetype FileBytes(const QString& file) { return 4 + 2 * file.size(); }
    static constexpr qsizetype HeaderBytes = 8;

    // Takes the next piece; bytes after a complete message are ignored.
    State Take(QByteArrayView piece);
    State Now() const { return state; }
    // The files, once complete.
    const QStringList& Files() const { return files; }

private:
    // The next n bytes of the message, once they have all arrived.
    bool Next(qsizetype n, QByteArrayView& bytes);
    State Refuse();

    State state = State::Incomplete;
    QByteArray received;   // the message so far, at most MostBytes
    qsizetype used = 0;    // how much of it is read
    qint64 filesLeft = -1; // files still to come; -1 before the count has arrived
    QStringList files;
};

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the socket and its lock live; empty: every start runs on its own.
    explicit SingleInstance(const QString& folder = RuntimeFolder());
    ~SingleInstance() override;

    // The user's private runtime folder: $XDG_RUNTIME_DIR when it is the user's own and no one
    // else may enter it, otherwise kelto-<uid> in the temporary folder, made so (mode 0700).
    // Empty when neither can be had.
    static QString RuntimeFolder();
    // The socket's path for this user and display (kelto-<uid>-<display> in the folder).
    QString SocketPath() const;

    // Before the application object exists. True when the running Kelto took the files (this
    // start then ends). False when there is none, or it does not answer; this start then holds
    // the turn until Listen().
    bool HandOver(const QStringList& files);
    // Once the application object exists: listens on the socket and ends this start's turn.
    // Files handed over from now on are kept until Serve(). False when it cannot listen (the
    // program then runs on its own).
    bool Listen();
    // Passes on the files kept so far, and from now on each hand-over as it comes.
    void Serve();
    // Stops listening: the next start runs a Kelto of its own.
    void Close();

    // Brings a window of this program to the front: out of the minimised state, raised and
    // given the focus, as far as the window manager allows a program that has no user input.
    static void BringToFront(QWidget& window);

    static constexpr std::size_t MostConnections = 64;
    static constexpr int ConnectionMs = 10000;
    // How long a connection has to deliver its hand-over (tests shorten it).
    int connectionMs = ConnectionMs;

signals:
    void FilesReceived(const QStringList& files);

private:
    struct Connection {
        QLocalSocket* socket = nullptr;
        HandOverMessage message;
        QDeadlineTimer deadline;
    };
    enum class Reply { Taken, Closed, Silent, NoOne, Foreign };

    Reply Send(const QStringList& files);
    bool OpenListener(QString& error);
    void CloseListener();
    void Accept();
    void Adopt(QLocalSocket* socket);
    Connection* Find(const QLocalSocket* socket);
    void Forget(QLocalSocket* socket);
    void Drop(QLocalSocket* socket);
    void Read(QLocalSocket* socket);
    void DropLate();
    void Deliver(const QStringList& files);

    QString folder;
    QString baseName;
    std::unique_ptr<QLockFile> turn;
#ifdef Q_OS_UNIX
    int listenerFd = -1;
    quint64 socketInode = 0; // the socket file this Kelto made, removed when it stops
    QSocketNotifier* listener = nullptr;
#else
    QLocalServer* server = nullptr;
#endif
    std::vector<Connection> connections;
    QTimer* sweep = nullptr;   // drops connections past their time
    bool otherRunning = false; // one answered the connection but took no files
    bool serving = false;
    bool keptRequest = false; // a hand-over came before Serve() (it may name no files)
    QStringList kept;
};
