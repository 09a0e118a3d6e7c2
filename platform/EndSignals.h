// The signals that tell a program to end (SIGTERM: the system or a user ends it, SIGHUP: the
// session or terminal it ran in went away, SIGINT: Ctrl+C in that terminal) as an event on the
// event loop, so that Kelto can end what it started and keep its unsaved text before it goes.
// Without this the default action ends the process on the spot, and the builds it started,
// which run in sessions of their own, live on as orphans. Nothing is caught on Windows, which
// ends a program's windows through the session's own messages.
#pragma once

#include <QObject>

class QSocketNotifier;

class EndSignals : public QObject {
    Q_OBJECT
public:
    // Catches the signals from now on (those not ignored when the program started); one
    // instance at a time, made after the application object.
    explicit EndSignals(QObject* parent = nullptr);
    // Gives the signals their default action back.
    ~EndSignals() override;

    // Ends the process as the signal would have ended it, so that whoever started it sees the
    // signal in its exit status. Does not return.
    [[noreturn]] static void EndAsSignalled(int signal);

signals:
    // A signal arrived; the program is to end without asking anyone anything.
    void Received(int signal);

private:
    void Take();

    QSocketNotifier* notifier = nullptr;
};
