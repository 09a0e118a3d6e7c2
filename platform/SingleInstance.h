// One Kelto for each user and display. A start first offers its files to the Kelto already
// running, through a local socket in the user's private runtime folder; when none takes them,
// this start becomes the running Kelto and listens on that socket itself. Starts are taken one
// at a time (a lock file beside the socket), so two at once never both listen; a socket left by
// a Kelto that crashed answers no one and is replaced.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

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

signals:
    void FilesReceived(const QStringList& files);

private:
    void Accept();
    void Read(QLocalSocket* socket);
    void Deliver(const QStringList& files);

    QString folder;
    QString baseName;
    std::unique_ptr<QLockFile> turn;
    QLocalServer* server = nullptr;
    bool otherRunning = false; // one answered the connection but took no files
    bool serving = false;
    bool keptRequest = false; // a hand-over came before Serve() (it may name no files)
    QStringList kept;
};
