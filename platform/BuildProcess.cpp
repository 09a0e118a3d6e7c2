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

#ifdef Q_OS_WIN
namespace {

// The command interpreter: %ComSpec%, else the system folder's, never one found in the current
// folder.
QString CommandInterpreter() {
    const QString comSpec = qEnvironmentVariable("ComSpec");
    if (!comSpec.isEmpty())
        return comSpec;
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    return length > 0 && length < MAX_PATH
               ? QString::fromWCharArray(system, int(length)) + QStringLiteral("\\cmd.exe")
               : QStringLiteral("cmd.exe");
}

// A job whose processes all end when its last handle closes (the program's end included).
HANDLE MakeJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

} // namespace
#endif

BuildProcess::Command BuildProcess::CommandFor(const QString& scriptPath, PathStyle::Style style,
                                               const QString& workingDirectory) {
    if (style == PathStyle::Style::Windows) {
        // /s takes the outer quotes off and leaves the inner pair around the path, so the
        // path's characters (& ( ) ^ and blanks) stay part of the name; /d skips AutoRun.
        // cmd still replaces %NAME% on that line, quoted or not, so a script in the working
        // directory (a module's build script always is) is named as .\NAME, whatever its
        // folder is called.
        QString path = scriptPath;
        path.replace(u'/', u'\\');
        QString folder = workingDirectory;
        folder.replace(u'/', u'\\');
        while (folder.endsWith(u'\\'))
            folder.chop(1);
        const qsizetype slash = path.lastIndexOf(u'\\');
        if (slash > 0 && !folder.isEmpty() &&
            QStringView(path).left(slash).compare(folder, Qt::CaseInsensitive) == 0)
            path = QStringLiteral(".") + path.mid(slash);
        return {QStringLiteral("cmd.exe"),
                {},
                QStringLiteral("/d /s /c \"\"") + path + QStringLiteral("\"\"")};
    }
    return {QStringLiteral("/bin/sh"), {scriptPath}, QString()};
}

QString BuildProcess::SignalName(int signal) {
#ifdef Q_OS_WIN
    static const std::pair<quint32, const char*> exceptions[] = {
        {0xC0000005, "an access violation"},       {0xC00000FD, "a stack overflow"},
        {0xC0000094, "a division by zero"},        {0xC000013A, "Ctrl+Break"},
        {0xC0000409, "a failed stack check"},      {0xC0000135, "a missing DLL"},
        {0xC0000142, "a DLL that could not start"}};
    const auto status = quint32(signal);
    const QString code =
        QStringLiteral("0x") + QString::number(status, 16).toUpper().rightJustified(8, u'0');
    for (const auto& [number, name] : exceptions)
        if (number == status)
            return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(name), code);
    return QStringLiteral("exception ") + code;
#else
    static const std::pair<int, const char*> names[] = {
        {1, "SIGHUP"},   {2, "SIGINT"},   {3, "SIGQUIT"}, {4, "SIGILL"},
        {6, "SIGABRT"},  {8, "SIGFPE"},   {9, "SIGKILL"}, {11, "SIGSEGV"},
        {13, "SIGPIPE"}, {14, "SIGALRM"}, {15, "SIGTERM"}};
    for (const auto& [number, name] : names)
        if (number == signal)
            return QString::fromLatin1(name);
    return QStringLiteral("signal %1").arg(signal);
#endif
}

BuildProcess::BuildProcess(QObject* parent) : QObject(parent) {
    killTimer = new QTimer(this);
    killTimer->setSingleShot(true);
    killTimer->setInterval(StopGraceMs);
    connect(killTimer, &QTimer::timeout, this, &BuildProcess::Kill);
}

BuildProcess::~BuildProcess() {
    if (process)
        process->disconnect(this);
    End();
#ifdef Q_OS_WIN
    if (job)
        CloseHandle(static_cast<HANDLE>(job)); // kills what is left in it
#endif
}

void BuildProcess::End() {
    if (!process)
        return;
    if (IsRunning() && !stopping) {
        // A moment for the polite request: q3lcc removes its temporary files on it.
        Terminate();
        process->waitForFinished(500);
    }
    killTimer->stop();
    if (IsRunning() || GroupRuns())
        Kill();
    if (IsRunning())
        process->waitForFinished(1000);
}

bool BuildProcess::Start(const QString& scriptPath, const QString& workingDirectory,
                         QString& error) {
    Command command = CommandFor(scriptPath, PathStyle::Native, workingDirectory);
#ifdef Q_OS_WIN
    command.program = CommandInterpreter();
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
    // Suspended until it is in the job, so that nothing it starts can escape; a process group
    // of its own, which Stop's Ctrl+Break reaches.
    started = nullptr;
    process->setCreateProcessArgumentsModifier([this](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED;
        started = arguments->processInformation;
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
    // Where no job can be had (a job of Kelto's own that forbids one inside it), the script
    // runs all the same, and Stop ends the script alone.
    const auto* info = static_cast<PROCESS_INFORMATION*>(started);
    if (!job)
        job = MakeJob();
    inJob = job && info && AssignProcessToJobObject(static_cast<HANDLE>(job), info->hProcess);
    if (info)
        ResumeThread(info->hThread);
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
    // Ctrl+Break to the script's process group, as a user at its console would press it: the
    // compiler ends as it does on Ctrl+Break, removing its temporary files. The group shares
    // a hidden console of its own, which Kelto joins for the moment the request takes. Where
    // the request cannot be sent, the job ends at once.
    const auto id = DWORD(group);
    bool sent = false;
    if (GetConsoleWindow()) {
        sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id); // it shares Kelto's console
    } else if (AttachConsole(id)) {
        sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id);
        FreeConsole();
    }
    if (!sent)
        Kill();
#else
    ::kill(-pid_t(group), SIGTERM);
#endif
}

void BuildProcess::Kill() {
    if (group <= 0)
        return;
#ifdef Q_OS_WIN
    if (inJob)
        TerminateJobObject(static_cast<HANDLE>(job), 1);
    else if (IsRunning())
        process->kill();
#else
    // The group outlives its leader while any member is left, so this also reaches children
    // that ignored the polite request after the script itself ended.
    ::kill(-pid_t(group), SIGKILL);
#endif
}

bool BuildProcess::GroupRuns() const {
    if (group <= 0)
        return false;
#ifdef Q_OS_WIN
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    return job &&
           QueryInformationJobObject(static_cast<HANDLE>(job), JobObjectBasicAccountingInformation,
                                     &accounting, sizeof accounting, nullptr) &&
           accounting.ActiveProcesses > 0;
#else
    return ::kill(-pid_t(group), 0) == 0;
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
    exit.code = process->exitCode(); // the signal's number when it was signalled
#ifdef Q_OS_WIN
    // An exception's status (0xC0000000 and up); Qt counts warnings (0x80000000 up) too.
    exit.signalled = quint32(exit.code) >= 0xC0000000;
#else
    exit.signalled = process->exitStatus() == QProcess::CrashExit;
#endif
    exit.stopped = stopping;
    exit.elapsedMs = clock.elapsed();
    // The build is over when its script is: what it left behind gets the polite request now and
    // is killed after the grace period, as on Stop.
    exit.leftRunning = GroupRuns();
    if (exit.leftRunning) {
        Terminate();
        if (!killTimer->isActive())
            killTimer->start();
    }
    emit Finished(exit);
}
