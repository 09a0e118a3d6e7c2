// A build output window: a child window of the main window, one per module, captioned after
// its command ("Build game QVM"). It runs the module's build script as a child process and
// shows what the script prints as it arrives, in a read-only, monospaced view whose lines wrap
// at its width (workspace/OutputLineDelegate); at the start the script's path and working
// directory, at the end a status line with the exit code or signal, the time taken and the
// counts of errors and warnings, red when the build failed.
// Compiler messages are coloured; double-click or Enter on one (F4: the next one) opens its
// file at its line. The build can be stopped (button, Ctrl+Break); closing the window while it
// runs asks first. The main window keeps one per module (frmMain::BuildWindows).
#pragma once

#include <QByteArray>
#include <QMdiSubWindow>
#include <QString>
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
    // What one build runs: all paths absolute.
    struct Run {
        QString scriptPath;
        QString moduleDirectory; // the working directory
        QString templatePath;    // what a message about the script's lines points to
        QString sourceDirectory;
    };

    frmBuild(Program& program, const BuildModule& module, QWidget* parent = nullptr);
    ~frmBuild() override;

    // Controls.
    QTreeView* lstOutput = nullptr;
    QLabel* lblStatus = nullptr; // the window's status line
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdNext = nullptr;
    BuildOutput* output = nullptr;

    // Starts a build with fresh output. A build still running is stopped first; this one
    // starts once it has ended.
    void Start(const Run& run);
    bool IsRunning() const;
    qint64 ProcessId() const;
    int Errors() const { return errors; }
    int Warnings() const { return warnings; }
    const BuildModule& Module() const { return module; }

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
    // A build has ended and its status line is shown.
    void Finished();

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
    void CopySelection() const;
    void ShowContextMenu(const QPoint& position);

    Program& program;
    BuildModule module;
    BuildProcess* process = nullptr;
    QTimer* flushTimer = nullptr;
    Run current;
    std::optional<Run> queued; // a build waiting for the stopped one to end
    QByteArray partial;        // bytes of a line not yet ended
    bool continued = false;    // the line being taken has given rows already
    std::vector<BuildOutput::Line> pending;
    CompilerMessages::DirectoryTrail trail{QString()};
    QStringList subdirectories; // of the module directory, "vm" first
    int errors = 0;
    int warnings = 0;
};
