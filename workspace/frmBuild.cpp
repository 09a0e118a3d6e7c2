// The process output window: the child process, its output as lines in a bounded model, the
// start and end lines, opening a message's file at its line, and the engine's console marks.
#include "workspace/frmBuild.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/Launcher.h"
#include "platform/Services.h"
#include "workspace/EngineConsole.h"
#include "workspace/OutputLineDelegate.h"

namespace {

// Lines wait this long for the view, so that a build printing fast costs one update per
// interval rather than one per line.
constexpr int FlushIntervalMs = 50;
// ... and no more than this many lines wait.
constexpr std::size_t MostPendingLines = 4096;
// What the status line adds once the engine has turned to a native library.
const QString NativeLibraryNote =
    QStringLiteral("; the engine turned to a native library instead of the mod's QVM");
// The build script is the template after two lines of its own (drive and cd, or #!/bin/sh
// and cd).
constexpr int ScriptHeaderLines = 2;

QString Plural(int count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString Duration(qint64 ms) {
    if (ms < 60'000)
        return QLocale().toString(double(ms) / 1000.0, 'f', 1) + QStringLiteral(" s");
    return QStringLiteral("%1 min %2 s").arg(ms / 60'000).arg((ms / 1000) % 60);
}

// Tabs to spaces at every eighth column, as a terminal shows them.
QString ExpandTabs(const QString& text) {
    if (!text.contains(u'\t'))
        return text;
    QString expanded;
    expanded.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (c == u'\t')
            expanded += QString(8 - expanded.size() % 8, u' ');
        else
            expanded += c;
    }
    return expanded;
}

BuildOutput::Kind KindOf(CompilerMessages::Severity severity) {
    switch (severity) {
    case CompilerMessages::Severity::Warning:
        return BuildOutput::Kind::Warning;
    case CompilerMessages::Severity::Note:
        return BuildOutput::Kind::Note;
    case CompilerMessages::Severity::Error:
        break;
    }
    return BuildOutput::Kind::Error;
}

bool SameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

BuildOutput::Kind KindOf(EngineConsole::Mark mark) {
    switch (mark) {
    case EngineConsole::Mark::Error:
        return BuildOutput::Kind::Error;
    case EngineConsole::Mark::Warning:
        return BuildOutput::Kind::Warning;
    case EngineConsole::Mark::Plain:
        break;
    }
    return BuildOutput::Kind::Plain;
}

// An argument as a shell would need it, so the line can be copied into a terminal.
QString ShownArgument(const QString& argument) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_+./:=,@%-]+$"));
    if (plain.match(argument).hasMatch())
        return argument;
    return QString::fromLocal8Bit(Launcher::ShellQuoted(argument.toLocal8Bit()));
}

// Whether a path lies in a folder (or is it).
bool Within(const QString& path, const QString& folder) {
    const QString inner = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString outer = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return inner == outer || inner.startsWith(outer + u'/');
}

} // namespace

frmBuild::Role frmBuild::Role::Build(const BuildModule& module) {
    return {QStringLiteral("Build %1 QVM").arg(module.name),
            QStringLiteral("The %1 build").arg(module.name),
            QStringLiteral("Build"),
            QStringLiteral("succeeded"),
            QStringLiteral("Build script: "),
            false};
}

frmBuild::Role frmBuild::Role::Engine(const QString& mod) {
    return {QStringLiteral("Run Mod: %1").arg(mod),
            QStringLiteral("The engine"),
            QStringLiteral("Engine"),
            QStringLiteral("ended"),
            QStringLiteral("Engine: "),
            true};
}

frmBuild::frmBuild(Program& program, const BuildModule& module, QWidget* parent)
    : frmBuild(program, Role::Build(module), parent) {
    this->module = module;
}

frmBuild::frmBuild(Program& program, Role role, QWidget* parent)
    : QMdiSubWindow(parent), program(program), role(std::move(role)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmBuild"));
    setWindowTitle(this->role.caption);

    auto* body = new QWidget(this);
    output = new BuildOutput(this);
    lstOutput = new QTreeView(body);
    lstOutput->setObjectName(QStringLiteral("lstOutput"));
    lstOutput->setModel(output);
    lstOutput->setHeaderHidden(true);
    lstOutput->setRootIsDecorated(false);
    lstOutput->setItemsExpandable(false);
    // Lines wrap at the view's width: a message's file and line, at its start, stay in sight
    // at any size, and nothing ever scrolls sideways. Rows of several lines scroll a row at a
    // time, so that only the rows in sight are ever measured.
    lstOutput->setItemDelegate(new OutputLineDelegate(lstOutput));
    lstOutput->setUniformRowHeights(false);
    lstOutput->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    lstOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstOutput->header()->setStretchLastSection(true);
    lstOutput->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstOutput->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstOutput->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstOutput->setContextMenuPolicy(Qt::CustomContextMenu);
    // The source windows' face, so columns in messages line up with the source.
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    lstOutput->setFont(font);

    lblStatus = new QLabel(body);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblStatus->setWordWrap(true);
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    cmdNext = new QPushButton(QStringLiteral("&Next Message (F4)"), body);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdStop = new QPushButton(QStringLiteral("&Stop"), body);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setToolTip(QStringLiteral("Stop the %1 (Ctrl+Break)").arg(this->role.noun.toLower()));
    cmdStop->setEnabled(false);
    // The engine's lines name no source file to open.
    cmdNext->setVisible(!this->role.engine);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdStop);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(lstOutput, 1);
    layout->addLayout(buttons);
    setWidget(body);
    setFocusProxy(lstOutput);
    resize(680, 360);

    auto* stopKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Pause), this);
    stopKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(stopKey, &QShortcut::activated, this, &frmBuild::cmdStop_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmBuild::cmdStop_Click);
    connect(cmdNext, &QPushButton::clicked, this, &frmBuild::cmdNext_Click);
    connect(lstOutput, &QTreeView::doubleClicked, this, &frmBuild::lstOutput_DblClick);
    connect(lstOutput, &QWidget::customContextMenuRequested, this, &frmBuild::ShowContextMenu);
    lstOutput->installEventFilter(this);
    lstOutput->viewport()->installEventFilter(this);

    process = new BuildProcess(this);
    connect(process, &BuildProcess::Output, this, &frmBuild::TakeOutput);
    connect(process, &BuildProcess::Finished, this, &frmBuild::Ended);
    flushTimer = new QTimer(this);
    flushTimer->setSingleShot(true);
    flushTimer->setInterval(FlushIntervalMs);
    connect(flushTimer, &QTimer::timeout, this, &frmBuild::Flush);
}

frmBuild::~frmBuild() = default;

void frmBuild::FitInto(const QSize& area) {
    resize(std::min(width(), std::max(area.width(), 320)),
           std::min(height(), std::max(area.height(), 200)));
}

bool frmBuild::IsRunning() const {
    return process->IsRunning();
}

qint64 frmBuild::ProcessId() const {
    return process->ProcessId();
}

void frmBuild::Start(const Run& run) {
    if (process->IsRunning()) {
        queued = run;
        process->Stop();
        Say(QStringLiteral("Stopping the running build; the new one starts when it has ended."));
        return;
    }
    Begin(run);
}

void frmBuild::Begin(Run run) {
    queued.reset();
    current = std::move(run);
    flushTimer->stop();
    pending.clear();
    partial.clear();
    continued = false;
    output->Clear();
    errors = 0;
    warnings = 0;
    succeeded = false;
    nativeLibrary = false;
    lastFlush.invalidate(); // the run's first line shows at once
    trail = CompilerMessages::DirectoryTrail(current.moduleDirectory);

    const auto info = [](const QString& text) {
        return BuildOutput::Line{text, BuildOutput::Kind::Info, nullptr};
    };
    std::vector<BuildOutput::Line> start;
    const bool script = current.program.isEmpty();
    start.push_back(info(role.startedWith +
                         QDir::toNativeSeparators(script ? current.scriptPath : current.program)));
    if (!script) {
        QStringList shown;
        for (const QString& argument : current.arguments)
            shown << ShownArgument(argument);
        start.push_back(info(QStringLiteral("Arguments: ") + shown.join(u' ')));
    }
    start.push_back(info(QStringLiteral("Working directory: ") +
                         QDir::toNativeSeparators(current.moduleDirectory)));
    for (const BuildOutput::Line& line : current.preface) {
        start.push_back(line);
        warnings += line.kind == BuildOutput::Kind::Warning ? 1 : 0;
    }
    start.push_back(
        info(QStringLiteral("Started at ") +
             QLocale().toString(QDateTime::currentDateTime().time(), QLocale::LongFormat)));
    output->Append(std::move(start));

    QString error;
    const bool started = script ? process->Start(current.scriptPath, current.moduleDirectory, error)
                                : process->StartProgram(current.program, current.arguments,
                                                        current.moduleDirectory, error);
    if (!started) {
        const QString text =
            QStringLiteral("%1 could not be started: %2")
                .arg(script ? QStringLiteral("The build script") : QStringLiteral("The engine"),
                     error);
        output->Append({{text, BuildOutput::Kind::Failed, nullptr}});
        Say(text, true);
        cmdStop->setEnabled(false);
        emit Finished(false);
        return;
    }
    cmdStop->setEnabled(true);
    Say(RunningStatus());
}

void frmBuild::cmdStop_Click() {
    queued.reset();
    if (!process->IsRunning())
        return;
    process->Stop();
    Say(QStringLiteral("Stopping..."));
}

void frmBuild::TakeOutput(const QByteArray& bytes) {
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline;
        partial.append(bytes.constData() + start, end - start);
        // A line too long for a row goes on in rows of its own as it arrives, so that output
        // without line breaks is neither held without bound nor kept from the view.
        qsizetype taken = 0;
        while (partial.size() - taken > BuildOutput::LongestRow) {
            qsizetype cut = taken + BuildOutput::LongestRow;
            for (int back = 0; back < 3 && (quint8(partial[cut]) & 0xC0) == 0x80; ++back)
                --cut; // not inside a UTF-8 character
            TakeLine(partial.mid(taken, cut - taken));
            taken = cut;
        }
        partial.remove(0, taken);
        if (newline >= 0) {
            TakeLine(std::exchange(partial, QByteArray()));
            continued = false;
        }
        start = end + 1;
    }
}

void frmBuild::TakeLine(QByteArray bytes) {
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    const QString text = ExpandTabs(QString::fromLocal8Bit(bytes));
    // Tabs may have made it longer than a row; a character outside the BMP stays whole.
    for (qsizetype from = 0; from < text.size() || (from == 0 && !continued);) {
        qsizetype cut = std::min(text.size(), from + BuildOutput::LongestRow);
        if (cut < text.size() && text[cut].isLowSurrogate())
            --cut;
        TakeRow(text.mid(from, cut - from));
        from = cut;
    }
}

void frmBuild::TakeRow(QString text) {
    BuildOutput::Line line{std::move(text), BuildOutput::Kind::Plain, nullptr};
    std::optional<BuildOutput::Line> note; // Kelto's own line after it
    // Only a line's first row says what the line is.
    if (!std::exchange(continued, true)) {
        if (role.engine) {
            const EngineConsole::Line read = EngineConsole::Read(line.text);
            line.text = read.text;
            line.kind = KindOf(read.mark);
            nativeLibrary = nativeLibrary || read.nativeLibrary;
            if (!read.qvm.isEmpty() && !current.modFolder.isEmpty() &&
                !Within(read.foundIn, current.modFolder)) {
                note = BuildOutput::Line{
                    QStringLiteral("Kelto: the engine loaded %1 from %2, not from the "
                                   "mod folder %3.")
                        .arg(read.qvm, read.foundIn, QDir::toNativeSeparators(current.modFolder)),
                    BuildOutput::Kind::Warning, nullptr};
                ++warnings;
            }
        } else if (auto message = CompilerMessages::Parse(line.text)) {
            line.kind = KindOf(message->severity);
            line.message = std::make_shared<const BuildMessage>(
                BuildMessage{std::move(*message), trail.Shared()});
        } else {
            trail.Take(line.text);
        }
        errors += line.kind == BuildOutput::Kind::Error ? 1 : 0;
        warnings += line.kind == BuildOutput::Kind::Warning ? 1 : 0;
    }
    pending.push_back(std::move(line));
    if (note)
        pending.push_back(std::move(*note));
    // A line after a quiet spell shows at once (the engine's first line, a compiler's first
    // message); lines close behind it wait for the next flush, so a flood still costs one update
    // per interval.
    if (pending.size() >= MostPendingLines || !lastFlush.isValid() ||
        lastFlush.elapsed() >= FlushIntervalMs)
        Flush();
    else if (!flushTimer->isActive())
        flushTimer->start();
}

void frmBuild::Flush() {
    flushTimer->stop();
    if (pending.empty())
        return;
    lastFlush.start();
    const QScrollBar* bar = lstOutput->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    output->Append(std::exchange(pending, {}));
    if (following)
        lstOutput->scrollToBottom();
    if (process->IsRunning())
        Say(RunningStatus());
}

QString frmBuild::RunningStatus() const {
    QString status =
        QStringLiteral("Running... %1, %2 so far")
            .arg(Plural(errors, "error", "errors"), Plural(warnings, "warning", "warnings"));
    if (nativeLibrary)
        status += NativeLibraryNote;
    return status;
}

void frmBuild::Ended(const BuildProcess::Exit& exit) {
    if (!partial.isEmpty())
        TakeLine(std::exchange(partial, QByteArray()));
    continued = false;
    cmdStop->setEnabled(false);

    QString how;
    if (exit.signalled)
        how = QStringLiteral("ended by ") + BuildProcess::SignalName(exit.code);
    else
        how = QStringLiteral("exit code %1").arg(exit.code);
    const bool clean = !exit.signalled && exit.code == 0;
    // Stop is how an engine run usually ends; a build that was stopped built nothing.
    const bool failed =
        errors > 0 || (role.engine ? !clean && !exit.stopped : !clean || exit.stopped);
    const QString verdict = role.noun + u' ' +
                            (exit.stopped ? QStringLiteral("stopped")
                             : !clean     ? QStringLiteral("failed")
                             : errors > 0 ? QStringLiteral("reported errors")
                                          : role.succeeded);
    QString status =
        QStringLiteral("%1: %2, %3, %4, %5")
            .arg(verdict, how, Duration(exit.elapsedMs), Plural(errors, "error", "errors"),
                 Plural(warnings, "warning", "warnings"));
    if (nativeLibrary)
        status += NativeLibraryNote;
    if (!exit.signalled && exit.code == BuildProcess::CommandNotFound) {
        // Command not found: a program started from the desktop menu often lacks PATH
        // entries that the shell's start-up files add.
        status += QStringLiteral(". A command was not found; PATH is ") +
                  QProcessEnvironment::systemEnvironment().value(QStringLiteral("PATH"));
    }
    if (exit.leftRunning) {
        pending.push_back(
            {role.subject + QStringLiteral(" left processes running; they are ended with it."),
             BuildOutput::Kind::Info, nullptr});
    }
    pending.push_back(
        {status, failed ? BuildOutput::Kind::Failed : BuildOutput::Kind::Succeeded, nullptr});
    Flush();
    Say(status, failed);

    if (queued) {
        Begin(*queued);
        return;
    }
    succeeded = !failed;
    // After a failed build the first error is the current line, so Enter opens it at once.
    int firstError = -1;
    for (int row = 0; row < output->Rows() && firstError < 0; ++row) {
        const BuildOutput::Line* line = output->At(row);
        if (line && line->kind == BuildOutput::Kind::Error && line->message)
            firstError = row;
    }
    if (failed && firstError >= 0) {
        // Scrolled to first: the view measures the rows between where it is and the row it
        // draws, and the end may be 20,000 rows away.
        lstOutput->scrollTo(output->index(firstError), QAbstractItemView::PositionAtCenter);
        lstOutput->setCurrentIndex(output->index(firstError));
    } else {
        lstOutput->scrollToBottom();
    }
    emit Finished(succeeded);
}

void frmBuild::Say(const QString& status, bool failed) {
    lblStatus->setText(status);
    lblStatus->setStyleSheet(failed ? QStringLiteral("color: #b00000;") : QString());
}

void frmBuild::cmdNext_Click() {
    Flush();
    const int rows = output->Rows();
    const int from = lstOutput->currentIndex().isValid() ? lstOutput->currentIndex().row() : -1;
    for (int step = 1; step <= rows; ++step) {
        const int row = (from + step) % rows;
        const BuildOutput::Line* line = output->At(row);
        if (line && line->message && !line->message->message.file.isEmpty()) {
            lstOutput->scrollTo(output->index(row));
            lstOutput->setCurrentIndex(output->index(row));
            OpenMessage(row);
            return;
        }
    }
    Say(QStringLiteral("The output holds no message that names a file."));
}

void frmBuild::lstOutput_DblClick(const QModelIndex& index) {
    if (index.isValid())
        OpenMessage(index.row());
}

bool frmBuild::OpenMessage(int row) {
    const BuildOutput::Line* line = output->At(row);
    if (!line || !line->message)
        return false;
    const CompilerMessages::Message& message = line->message->message;
    if (message.file.isEmpty()) {
        Say(QStringLiteral("This message names no file."));
        return false;
    }
    QStringList subdirectories =
        QDir(current.moduleDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (subdirectories.removeAll(QStringLiteral("vm")) > 0)
        subdirectories.prepend(QStringLiteral("vm"));
    const QStringList directories =
        CompilerMessages::SearchDirectories(*line->message->directories, current.moduleDirectory,
                                            subdirectories, current.sourceDirectory);
    QString path = CompilerMessages::Locate(
        message.file, directories, [](const QString& path) { return QFileInfo(path).isFile(); });
    if (path.isEmpty()) {
        QStringList shown;
        for (const QString& directory : directories)
            shown << QDir::toNativeSeparators(directory);
        Say(QStringLiteral("%1 was not found; looked in %2.")
                .arg(message.file, shown.join(QStringLiteral(", "))));
        return false;
    }
    int lineNumber = message.line;
    // A shell's message about the script is about the template's line two further up.
    if (SameFile(path, current.scriptPath) && lineNumber > ScriptHeaderLines &&
        QFileInfo(current.templatePath).isFile()) {
        path = current.templatePath;
        lineNumber -= ScriptHeaderLines;
    }
    frmMain* main = program.mainWindow;
    if (!main)
        return false;
    path = QDir::toNativeSeparators(path);
    if (!main->ShowSourceLine(path, lineNumber)) {
        Say(QStringLiteral("%1 could not be opened.").arg(path));
        return false;
    }
    Say(QStringLiteral("%1, line %2").arg(path).arg(lineNumber));
    return true;
}

void frmBuild::CopySelection() const {
    QModelIndexList rows = lstOutput->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lines;
    for (const QModelIndex& index : rows)
        lines << output->data(index, Qt::DisplayRole).toString();
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines.join(u'\n') + u'\n');
}

void frmBuild::ShowContextMenu(const QPoint& position) {
    QMenu menu(this);
    const QModelIndex index = lstOutput->indexAt(position);
    const BuildOutput::Line* line = index.isValid() ? output->At(index.row()) : nullptr;
    QAction* open = menu.addAction(QStringLiteral("&Open Message\tEnter"));
    open->setEnabled(line && line->message && !line->message->message.file.isEmpty());
    menu.addAction(QStringLiteral("&Next Message\tF4"), this, &frmBuild::cmdNext_Click);
    menu.addSeparator();
    menu.addAction(QStringLiteral("&Copy\tCtrl+C"), this, &frmBuild::CopySelection);
    menu.addAction(QStringLiteral("Select &All\tCtrl+A"), lstOutput, &QTreeView::selectAll);
    menu.addSeparator();
    QAction* stop =
        menu.addAction(QStringLiteral("&Stop\tCtrl+Break"), this, &frmBuild::cmdStop_Click);
    stop->setEnabled(IsRunning());
    if (menu.exec(lstOutput->viewport()->mapToGlobal(position)) == open)
        OpenMessage(index.row());
}

bool frmBuild::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstOutput->viewport() && event->type() == QEvent::Resize) {
        // The rows' heights follow the width they wrap at and the height they fit in. What was
        // in sight stays so: the current line, else the end while the output is followed.
        const QScrollBar* bar = lstOutput->verticalScrollBar();
        const bool following = bar->value() >= bar->maximum();
        const QModelIndex current = lstOutput->currentIndex();
        const bool currentShown = current.isValid() && lstOutput->viewport()->rect().intersects(
                                                           lstOutput->visualRect(current));
        lstOutput->doItemsLayout();
        if (currentShown)
            lstOutput->scrollTo(current);
        else if (following)
            lstOutput->scrollToBottom();
    } else if (watched == lstOutput && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (lstOutput->currentIndex().isValid())
                OpenMessage(lstOutput->currentIndex().row());
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void frmBuild::closeEvent(QCloseEvent* event) {
    // When the program is ending without questions, the run ends now, without asking.
    const bool ending = program.mainWindow && program.mainWindow->EndingWithoutQuestions();
    if (process->IsRunning() && !ending) {
        // A process that ends while this is asked needs no answer: the window closes.
        MsgWithdrawal ended(MsgAnswer::Yes);
        connect(process, &BuildProcess::Finished, &ended, &MsgWithdrawal::Withdraw);
        const MsgAnswer answer = program.services.MsgBoxUntil(
            this, role.subject + QStringLiteral(" is still running.\n\nStop it?"),
            MsgButtons::YesNo, MsgIcon::Question, program.App.Title, ended);
        if (answer != MsgAnswer::Yes) {
            event->ignore();
            return;
        }
    }
    queued.reset();
    if (ending)
        process->End();
    else
        process->Stop(); // and the window's end kills what has not ended by then
    QMdiSubWindow::closeEvent(event);
}
