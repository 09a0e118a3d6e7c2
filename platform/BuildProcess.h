// A build script running as a child process of the program: on Linux `/bin/sh SCRIPT`, with the
// script's path handed over as an argument (no shell reads the path as a command line), in a
// process group of its own so that Stop ends the script and everything it started. On Windows
// `cmd.exe /d /s /c ""SCRIPT""`, started suspended and put in a job object before it runs, so
// nothing it starts escapes Stop. Or a program started the same way with an argument vector (the
// game engine running a mod). Standard output and standard error come as one stream, in the
// order the processes wrote them; standard input is empty. What the script leaves running in its
// group (or job) when it ends (a program started with &, a child that ignores the polite
// request) ends with it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include "platform/PathStyle.h"

class QProcess;
class QTimer;

class BuildProcess : public QObject {
    Q_OBJECT
public:
    // How long the processes have to end after the polite request before they are killed.
    static constexpr int StopGraceMs = 2000;
    // The exit code of a script whose last command was not found (sh's; cmd's on Windows).
    static constexpr int CommandNotFound =
#ifdef Q_OS_WIN
        9009;
#else
        127;
#endif

    struct Command {
        QString program;
        QStringList arguments;
        QString nativeArguments; // Windows: the command line's text after the program
    };
    // What runs a script, for a script path in the given style (absolute), started in
    // workingDirectory.
    static Command CommandFor(const QString& scriptPath, PathStyle::Style style = PathStyle::Native,
                              const QString& workingDirectory = QString());

    struct Exit {
        // Ended by a signal (Linux; code is then the signal's number) or by an exception
        // (Windows; code is then its status, 0xC0000005 and the like)
        bool signalled = false;
        int code = 0;
        bool stopped = false; // Stop() ended it
        qint64 elapsedMs = 0;
        bool leftRunning = false; // it left processes running, which are being ended
    };

    explicit BuildProcess(QObject* parent = nullptr);
    // A process still running is ended at once, with its whole group.
    ~BuildProcess() override;

    // Starts the script in workingDirectory. False with the reason when it could not start.
    bool Start(const QString& scriptPath, const QString& workingDirectory, QString& error);
    // Starts a program with these arguments, each handed over as it is (no shell reads them).
    bool StartProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory, QString& error);
    bool IsRunning() const;
    // The script's process id (its group's id on Linux), or 0.
    qint64 ProcessId() const;
    // Asks the whole group to end (SIGTERM; Ctrl+Break on Windows), and kills what is left
    // after StopGraceMs.
    void Stop();
    // Ends the whole group now, for a program that is about to end itself: the polite request
    // and a moment for it, then SIGKILL. Returns once the script has ended.
    void End();

    // The signal's usual name ("SIGTERM"), or its number; on Windows the exception's status
    // in hexadecimal, named when it is a common one.
    static QString SignalName(int signal);

signals:
    void Output(const QByteArray& bytes);
    void Finished(const BuildProcess::Exit& exit);

private:
    bool Run(const Command& command, const QString& workingDirectory, QString& error);
    void Terminate();
    void Kill();
    bool GroupRuns() const; // a process of the group is still running
    void ReadOutput();
    void Ended();

    QProcess* process = nullptr;
    QTimer* killTimer = nullptr;
    QElapsedTimer clock;
    qint64 group = 0; // the group to end; kept after the script itself has ended
    bool stopping = false;
#ifdef Q_OS_WIN
    void* job = nullptr;     // the job object holding the script and its children
    bool inJob = false;      // the script is in it (else Stop can end the script alone)
    void* started = nullptr; // the new process's PROCESS_INFORMATION, kept by QProcess
#endif
};
