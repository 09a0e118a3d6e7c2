// A handler may do almost nothing safely; it writes the signal's number into a pipe whose other
// end the event loop watches (the self-pipe), and the rest happens there.
#include "platform/EndSignals.h"

#include <QSocketNotifier>
#include <cstdlib>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};

void Handle(int signal) {
    const int saved = errno;
    const char number = char(signal);
    // A full pipe already holds a signal still to be handled: this one adds nothing.
    (void)!::write(pipeEnds[1], &number, 1);
    errno = saved;
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return; // the signals keep their default action
    ::fcntl(pipeEnds[1], F_SETFL, ::fcntl(pipeEnds[1], F_GETFL) | O_NONBLOCK);
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &EndSignals::Take);
    struct sigaction action {};
    action.sa_handler = Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Caught) {
        // A signal ignored from the start stays ignored: `nohup kelto` outlives its terminal,
        // and a Kelto started in the background of a script is not ended by Ctrl+C.
        struct sigaction before {};
        ::sigaction(signal, nullptr, &before);
        if (before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

EndSignals::~EndSignals() {
    if (!notifier)
        return;
    for (const int signal : Caught) {
        struct sigaction now {};
        ::sigaction(signal, nullptr, &now);
        if (now.sa_handler == Handle)
            std::signal(signal, SIG_DFL);
    }
    delete notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void EndSignals::Take() {
    char number = 0;
    if (::read(pipeEnds[0], &number, 1) == 1)
        emit Received(int(number));
}

void EndSignals::EndAsSignalled(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal); // a signal whose default action is not to end the process
}
#else
EndSignals::EndSignals(QObject* parent) : QObject(parent) {}
EndSignals::~EndSignals() = default;
void EndSignals::Take() {}
void EndSignals::EndAsSignalled(int signal) {
    std::_Exit(128 + signal);
}
#endif
