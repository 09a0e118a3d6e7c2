// A process output window: a child window of the main window that runs a module's build script
// (one window per module, captioned after its command, "Build game QVM") or the game engine
// playing the mod (one window, "Run Mod: mymod"), and shows what the process prints as it
// arrives, in a read-only, monospaced view whose lines wrap at its width
// (workspace/OutputLineDelegate); at the start what runs and where, at the end a status line
// with the exit code or signal, the time taken and the counts of errors and warnings, red when
// the run failed. A build's compiler messages are coloured; double-click or Enter on one (F4:
// the next one) opens its file at its line. The engine's errors and warnings are coloured the
// same way, and a native library loaded instead of the mod's QVM is told in the output and the
// status line. The process can be stopped (button, Ctrl+Break); closing the window while it
// runs asks first. The main window keeps one per module (frmMain::BuildWindows) and one for the
// engine (frmMain::EngineWindow).
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "platform/BuildProcess.h"
#include "workspace/BuildOutput.h"
#include "workspace/BuildScript.h"
#include "workspace/CompilerMessages.h"

class Program;
class QLabel;
class QModelIndex;
class QPushButton;
class QTimer;
class QTreeView;

class frmBuild : public QMdiSubWindow {
    Q_OBJECT
public:
    // What a window runs for, in its own words: a module's build, or the engine.
    struct Role {
        QString caption;     // "Build game QVM", "Run Mod: mymod"
        QString subject;     // "The game build", "The engine" (is still running)
        QString noun;        // "Build", "Engine" (stopped, failed, reported errors)
        QString succeeded;   // "succeeded", "ended"
        QString startedWith; // "Build script: ", "Engine: "
        bool engine = false; // console lines rather than compiler messages; Stop is no failure
        static Role Build(const BuildModule& module);
        static Role Engine(const QString& mod);
    };

    // What one run runs: all paths absolute. A build runs scriptPath; the engine runs program
    // with its arguments.
    struct Run {
        QString scriptPath;
        QString moduleDirectory; // the working directory
        QString templatePath;    // what a message about the script's lines points to
        QString sourceDirectory;
        QString program;
        QStringList arguments;
        QString modFolder;                      // the engine's QVMs should come from here
        std::vector<BuildOutput::Line> preface; // shown before the process starts
    };

    frmBuild(Program& program, const BuildModule& module, QWidget* parent = nullptr);
    frmBuild(Program& program, Role role, QWidget* parent = nullptr);
    ~frmBuild() override;

    // Controls.
    QTreeView* lstOutput = nullptr;
    QLabel* lblStatus = nullptr; // the window's status line
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdNext = nullptr;
    BuildOutput* output = nullptr;

    // Shrinks the window to fit an area of the main window, status line and buttons included.
    void FitInto(const QSize& area);
    // Starts a build with fresh output. A build still running is stopped first; this one
    // starts once it has ended.
    void Start(const Run& run);
    bool IsRunning() const;
    qint64 ProcessId() const;
    int Errors() const { return errors; }
    int Warnings() const { return warnings; }
    const BuildModule& Module() const { return module; }
    const Role& Purpose() const { return role; }
    // How the last run ended: true when its status line was not red; false while none has.
    bool Succeeded() const { return succeeded; }

    // Handlers.
    void cmdStop_Click();
    void cmdNext_Click(); // also F4, anywhere in the main window
    void lstOutput_DblClick(const QModelIndex& index);
    // Opens the file and line of the message in a row; false when the row has none to open
    // (the status line says why).
    bool OpenMessage(int row);
    // Appends what the script printed; lines reach the view at the next flush.
    void TakeOutput(const QByteArray& bytes);

signals:
    // A run has ended (its status line is shown), or could not start, and no other waits to
    // start in this window.
    void Finished(bool succeeded);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Begin(Run run);
    void TakeLine(QByteArray bytes);
    void TakeRow(QString text);
    void Flush();
    void Ended(const BuildProcess::Exit& exit);
    void Say(const QString& status, bool failed = false);
    QString RunningStatus() const;
    void CopySelection() const;
    void ShowContextMenu(const QPoint& position);

    Program& program;
    BuildModule module;
    Role role;
    BuildProcess* process = nullptr;
    QTimer* flushTimer = nullptr;
    QElapsedTimer lastFlush; // since the view last took lines
    Run current;
    std::optional<Run> queued; // a build waiting for the stopped one to end
    QByteArray partial;        // bytes of a line not yet ended
    bool continued = false;    // the line being taken has given rows already
    std::vector<BuildOutput::Line> pending;
    CompilerMessages::DirectoryTrail trail{QString()};
    QStringList subdirectories; // of the module directory, "vm" first
    int errors = 0;
    int warnings = 0;
    bool succeeded = false;
    bool nativeLibrary = false; // the engine turned to a native library in this run
};
