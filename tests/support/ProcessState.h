// Whether a process still runs, for the tests that end build scripts and their children.
#pragma once

#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
#include <windows.h>

// Whether the process of that id has not ended yet.
inline bool ProcessRuns(qint64 pid) {
    HANDLE process = pid > 0 ? OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid)) : nullptr;
    if (!process)
        return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}
#else
#include <csignal>
#include <sys/types.h>

// Gone, or a zombie waiting for whoever adopted it: either way it runs no more.
inline bool ProcessRuns(qint64 pid) {
    if (pid <= 0 || ::kill(pid_t(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray fields = stat.readAll();
    const qsizetype close = fields.lastIndexOf(')');
    return close < 0 || fields.mid(close + 2, 1) != "Z";
}
#endif
