// The build script's child process and the group that ends with it.
#include "platform/BuildProcess.h"

#include <QDir>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

BuildProcess::Command BuildProcess::CommandFor(const QString& scriptPath, PathStyle::Style style) {
    if (style == PathStyle::Style::Windows) {
        // /s takes the outer quotes off and leaves the inner pair around the path, so the
        // path's characters (& ( ) ^ and blanks) stay part of the name; /d skips AutoRun.
        QString path = scriptPath;
        path.replace(u'/', u'\\');
        return {QStringLiteral("cmd.exe"),
                {},
                QStringLiteral("/d /s /c \"\"") + path + QStringLiteral("\"\"")};
    }
    return {QStringLiteral("/bin/sh"), {scriptPath}, QString()};
}

QString BuildProcess::SignalName(int signal) {
    static const std::pair<int, const char*> names[] = {
        {1, "SIGHUP"},   {2, "SIGINT"},   {3, "SIGQUIT"}, {4, "SIGILL"},
        {6, "SIGABRT"},  {8, "SIGFPE"},   {9, "SIGKILL"}, {11, "SIGSEGV"},
        {13, "SIGPIPE"}, {14, "SIGALRM"}, {15, "SIGTERM"}};
    for (const auto& [number, name] : names)
        if (number == signal)
            return QString::fromLatin1(name);
    return QStringLiteral("signal %1").arg(signal);
}

BuildProcess::BuildProcess(QObject* parent) : QObject(parent) {
    killTimer = new QTimer(this);
    killTimer->setSingleShot(true);
    killTimer->setInterval(StopGraceMs);
    connect(killTimer, &QTimer::timeout, this, &BuildProcess::Kill);
}

BuildProcess::~BuildProcess() {
    if (process) {
        process->disconnect(this);
        if (IsRunning() && !stopping) {
            // A moment for the polite request: q3lcc removes its temporary files on it.
            Terminate();
            process->waitForFinished(500);
        }
        if (IsRunning() || killTimer->isActive())
            Kill();
        if (IsRunning())
            process->waitForFinished(1000);
    }
#ifdef Q_OS_WIN
    if (job)
        CloseHandle(static_cast<HANDLE>(job)); // kills what is left in it
#endif
}

bool BuildProcess::Start(const QString& scriptPath, const QString& workingDirectory,
                         QString& error) {
    Command command = CommandFor(scriptPath);
#ifdef Q_OS_WIN
    command.program = qEnvironmentVariable("ComSpec", command.program);
#endif
    return Run(command, workingDirectory, error);
}

bool BuildProcess::StartProgram(const QString& program, const QStringList& arguments,
                                const QString& workingDirectory, QString& error) {
    return Run({program, arguments, QString()}, workingDirectory, error);
}

bool BuildProcess::Run(const Command& command, const QString& workingDirectory, QString& error) {
    if (IsRunning()) {
        error = QStringLiteral("A process is already running in this window");
        return false;
    }
    if (process) {
        process->disconnect(this);
        process->deleteLater();
    }
    if (killTimer->isActive()) {
        // What the last run left after being stopped goes now, before its group is forgotten.
        killTimer->stop();
        Kill();
    }
    stopping = false;
    group = 0;

    process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    // A template that waits for a key ("pause", "read") goes on at once instead of hanging.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setWorkingDirectory(workingDirectory);
    process->setProgram(command.program);
#ifdef Q_OS_WIN
    if (command.nativeArguments.isEmpty())
        process->setArguments(command.arguments);
    else
        process->setNativeArguments(command.nativeArguments);
    process->setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP;
    });
#else
    process->setArguments(command.arguments);
    // A session of its own makes the script the leader of a new process group, which
    // everything it starts joins.
    process->setChildProcessModifier([] { ::setsid(); });
#endif
    connect(process, &QProcess::readyReadStandardOutput, this, &BuildProcess::ReadOutput);
    connect(process, &QProcess::finished, this, &BuildProcess::Ended);

    clock.start();
    process->start();
    if (!process->waitForStarted(10000)) {
        error = process->errorString();
        process->disconnect(this);
        return false;
    }
    group = process->processId();
#ifdef Q_OS_WIN
    if (!job) {
        job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(static_cast<HANDLE>(job), JobObjectExtendedLimitInformation,
                                &limits, sizeof limits);
    }
    if (HANDLE handle = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(group))) {
        AssignProcessToJobObject(static_cast<HANDLE>(job), handle);
        CloseHandle(handle);
    }
#endif
    return true;
}

bool BuildProcess::IsRunning() const {
    return process && process->state() != QProcess::NotRunning;
}

qint64 BuildProcess::ProcessId() const {
    return IsRunning() ? group : 0;
}

void BuildProcess::Stop() {
    if (!IsRunning() || stopping)
        return;
    stopping = true;
    Terminate();
    killTimer->start();
}

void BuildProcess::Terminate() {
#ifdef Q_OS_WIN
    Kill(); // Windows has no polite request that reaches every process of a job
#else
    ::kill(-pid_t(group), SIGTERM);
#endif
}

void BuildProcess::Kill() {
    if (group <= 0)
        return;
#ifdef Q_OS_WIN
    if (job)
        TerminateJobObject(static_cast<HANDLE>(job), 1);
#else
    // The group outlives its leader while any member is left, so this also reaches children
    // that ignored the polite request after the script itself ended.
    ::kill(-pid_t(group), SIGKILL);
#endif
}

void BuildProcess::ReadOutput() {
    const QByteArray bytes = process->readAllStandardOutput();
    if (!bytes.isEmpty())
        emit Output(bytes);
}

void BuildProcess::Ended() {
    ReadOutput();
    Exit exit;
    exit.signalled = process->exitStatus() == QProcess::CrashExit;
    exit.code = process->exitCode(); // the signal's number when it was signalled
    exit.stopped = stopping;
    exit.elapsedMs = clock.elapsed();
    emit Finished(exit);
}
