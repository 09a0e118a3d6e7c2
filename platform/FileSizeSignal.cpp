#include "platform/FileSizeSignal.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <csignal>

namespace {

// The write that raised the signal still fails with EFBIG; nothing else is to be done.
void Ignore(int) {}

} // namespace

void IgnoreFileSizeSignal() {
    struct sigaction action {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGXFSZ, &action, nullptr);
}
#else
void IgnoreFileSizeSignal() {}
#endif
