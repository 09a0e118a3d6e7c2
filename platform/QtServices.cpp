// The real services. Dialogs are Qt's own widgets rather than the desktop's, so they look and
// behave the same on every desktop and the keyboard drives them alike.
#include "platform/QtServices.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QUrl>

#include "platform/FileFilter.h"
#include "platform/Launcher.h"

#ifdef Q_OS_WIN
#include <windows.h>
// The Unicode aliases windows.h makes of these names would rename the services' own members.
#undef MessageBox
#undef RegOpenKey
#undef RegQueryValue
#undef WinHelp
#endif

namespace {

// The program's message box. Ctrl+C copies what it says (title, text and buttons between
// dashed lines), as Windows' message boxes do and Qt's do there, so a message can be pasted
// into a report. A Yes/No question is answered only by its buttons: Esc and the close box
// leave it open. It has no Cancel, so closing it must not count as either answer (on Windows
// such a box ignores Esc and has no working close box).
class MessageBox : public QMessageBox {
public:
    MessageBox(QWidget* owner, bool question) : QMessageBox(owner), question(question) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (question && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
#ifndef Q_OS_WIN
        if (event->matches(QKeySequence::Copy)) {
            QGuiApplication::clipboard()->setText(Copied());
            event->accept();
            return;
        }
#endif
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (question)
            event->ignore();
        else
            QMessageBox::closeEvent(event);
    }

private:
    QString Copied() const {
        const QString line = QStringLiteral("---------------------------\n");
        QStringList answers;
        for (const QAbstractButton* button : buttons())
            answers.append(button->text().remove(QLatin1Char('&')));
        return line + windowTitle() + u'\n' + line + text() + u'\n' + line +
               answers.join(QStringLiteral("   ")) + u'\n' + line;
    }

    bool question;
};

// No page range in a print dialog means none can be chosen (nor odd or even pages): only "All"
// and "Selection" stay in its range box. Qt's dialog leaves "Pages from" open without its
// PrintPageRange option, and shows its page-set fields again as it opens and when another
// printer is chosen, so they are hidden again then.
class PageRangeHider : public QObject {
public:
    explicit PageRangeHider(QPrintDialog& dialog) : QObject(&dialog), dialog(dialog) {
        dialog.installEventFilter(this);
        if (auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers")))
            connect(printers, &QComboBox::currentIndexChanged, this, &PageRangeHider::Hide,
                    Qt::QueuedConnection);
        Hide();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog && event->type() == QEvent::Show)
            Hide();
        return false;
    }

private:
    void Hide() {
        const auto* range = dialog.findChild<QGroupBox*>(QStringLiteral("gbPrintRange"));
        if (!range)
            return;
        const auto* all = range->findChild<QWidget*>(QStringLiteral("printAll"));
        const auto* selection = range->findChild<QWidget*>(QStringLiteral("printSelection"));
        for (QWidget* field : range->findChildren<QWidget*>()) {
            const bool kept = field == all || field == selection ||
                              (all && field->isAncestorOf(all)) ||
                              (selection && field->isAncestorOf(selection));
            if (!kept) {
                field->setEnabled(false);
                field->setVisible(false);
            }
        }
    }

    QPrintDialog& dialog;
};

// Printer dialog flags the program uses.
constexpr int FlagSelection = 1; // start with "Selection" marked
constexpr int FlagNoPageNums = 8;

#ifndef Q_OS_WIN
// Lists the folders and the files that have the executable bit, for "Executables (*.exe)".
class ExecutablesProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

QString FindExecutable(const QString& name) {
    return QStandardPaths::findExecutable(name);
}

bool IsExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// Why program (a path, or a name looked up on PATH) cannot be started, or empty when it can.
QString WhyNotStartable(const QString& program) {
    if (!program.contains(u'/'))
        return FindExecutable(program).isEmpty() ? QStringLiteral("No such file or directory")
                                                 : QString();
    const QFileInfo info(program);
    if (!info.exists())
        return QStringLiteral("No such file or directory");
    if (info.isDir())
        return QStringLiteral("Is a directory");
    if (!info.isExecutable())
        return QStringLiteral("Permission denied");
    return {};
}

bool StartDetached(const QString& program, const QStringList& arguments,
                   const QString& workingDirectory, QString& error) {
    if (const QString why = WhyNotStartable(program); !why.isEmpty()) {
        error = why;
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        error = process.errorString();
        return false;
    }
    return true;
}
#else
// Starts a command line as typed, with a normal window that takes the focus.
bool StartCommandLine(const QString& commandLine, const QString& workingDirectory, DWORD creation,
                      QString& error) {
    std::wstring text = commandLine.toStdWString(); // CreateProcessW may write into it
    const std::wstring folder = QDir::toNativeSeparators(workingDirectory).toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, text.data(), nullptr, nullptr, FALSE, creation, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        error = qt_error_string(int(GetLastError()));
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}
#endif

QString RunFileDialog(QWidget* owner, const QString& title, const QString& filter,
                      const QString& folder, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, title, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // The callers replace a chosen file without asking, as the program always has.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    const DialogFilter translated = TranslateFilter(filter);
    dialog.setNameFilter(translated.nameFilter);
#ifndef Q_OS_WIN
    if (translated.executablesOnly)
        dialog.setProxyModel(new ExecutablesProxy(&dialog));
#endif
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace

QtServices::QtServices()
#ifndef Q_OS_WIN
    : registry(FindExecutable)
#endif
{
}

QString QtServices::ShowOpen(QWidget* owner, const QString& title, const QString& filter,
                             const QString& folder) {
    return RunFileDialog(owner, title, filter, folder, QFileDialog::AcceptOpen);
}

QString QtServices::ShowSave(QWidget* owner, const QString& title, const QString& filter,
                             const QString& folder) {
    return RunFileDialog(owner, title, filter, folder, QFileDialog::AcceptSave);
}

bool QtServices::ShowPrinter(QWidget* owner, const QString& title, int flags, QPrinter& printer) {
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowTitle(title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & FlagNoPageNums));
    if (flags & FlagNoPageNums)
        new PageRangeHider(dialog); // owned by the dialog
    dialog.setOption(QAbstractPrintDialog::PrintSelection, flags & FlagSelection);
    dialog.setPrintRange((flags & FlagSelection) ? QAbstractPrintDialog::Selection
                                                 : QAbstractPrintDialog::AllPages);
    return dialog.exec() == QDialog::Accepted;
}

MsgAnswer QtServices::ShowMsgBox(QWidget* owner, const QString& text, MsgButtons buttons,
                                 MsgIcon icon, const QString& caption) {
    return Ask(owner, text, buttons, icon, caption, nullptr);
}

MsgAnswer QtServices::ShowMsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons,
                                      MsgIcon icon, const QString& caption,
                                      MsgWithdrawal& withdrawal) {
    return Ask(owner, text, buttons, icon, caption, &withdrawal);
}

MsgAnswer QtServices::Ask(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& caption, MsgWithdrawal* withdrawal) {
    if (withdrawal && withdrawal->IsWithdrawn())
        return withdrawal->answer;
    const bool question = buttons != MsgButtons::OK;
    MessageBox box(owner, question);
    if (withdrawal) {
        // Closed from code: neither button, and the box's own close rule does not apply.
        QObject::connect(withdrawal, &MsgWithdrawal::Withdrawn, &box,
                         [&box] { box.done(QMessageBox::NoButton); });
    }
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral("Kelto") : caption);
    // Messages name paths, which may hold what Qt would take for markup ("<b>", "&lt;").
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (question) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MsgButtons::YesNoDefaultNo ? QMessageBox::No
                                                                   : QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    const int answer = box.exec();
    if (withdrawal && withdrawal->IsWithdrawn())
        return withdrawal->answer;
    if (buttons == MsgButtons::OK)
        return MsgAnswer::OK;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void QtServices::RunModal(QDialog& dialog) {
    dialog.exec();
}

bool QtServices::Launch(const QString& commandLine, QString& error) {
#ifdef Q_OS_WIN
    if (commandLine.trimmed().isEmpty()) {
        error = QStringLiteral("The command line is empty"); // as Launcher says on Linux
        return false;
    }
    return StartCommandLine(commandLine.trimmed(), QString(), 0, error);
#else
    // A file or folder that the whole text names (blanks around it aside), but that cannot
    // run: say why, rather than what splitting its name at the blanks would find.
    const QString whole = QFileInfo::exists(commandLine) ? commandLine : commandLine.trimmed();
    if (QFileInfo::exists(whole) && !IsExecutableFile(whole)) {
        error = WhyNotStartable(whole);
        return false;
    }
    const auto start = Launcher::ProgramForCommandLine(commandLine, IsExecutableFile, error);
    return start && StartDetached(start->program, start->arguments, QString(), error);
#endif
}

std::optional<std::uintptr_t> QtServices::RegOpenKey(std::uintptr_t root, const QString& keyName,
                                                     std::uint32_t access) {
#ifdef Q_OS_WIN
    HKEY key = nullptr;
    if (RegOpenKeyExA(reinterpret_cast<HKEY>(root), keyName.toLocal8Bit().constData(), 0,
                      REGSAM(access), &key) != ERROR_SUCCESS)
        return std::nullopt;
    return reinterpret_cast<std::uintptr_t>(key);
#else
    Q_UNUSED(root); // the stand-in has one tree
    Q_UNUSED(access);
    return registry.Open(keyName);
#endif
}

std::optional<RegistryValue> QtServices::RegQueryValue(std::uintptr_t key,
                                                       const QString& valueName) {
#ifdef Q_OS_WIN
    QByteArray data(1024, '\0');
    DWORD type = 0;
    DWORD size = DWORD(data.size());
    if (RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.toLocal8Bit().constData(), nullptr,
                         &type, reinterpret_cast<LPBYTE>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.truncate(int(size));
    return RegistryValue{.type = std::uint32_t(type), .data = data};
#else
    return registry.Query(key, valueName);
#endif
}

void QtServices::RegCloseKey(std::uintptr_t key) {
#ifdef Q_OS_WIN
    ::RegCloseKey(reinterpret_cast<HKEY>(key));
#else
    registry.Close(key);
#endif
}

bool QtServices::FileExists(const QString& path) {
    return QFileInfo(path).isFile();
}

bool QtServices::WinHelp(QWidget* owner, const QString& helpFile, std::uint32_t command,
                         QString& error) {
#ifdef Q_OS_WIN
    static const WORD emptyKeyword = 0;
    const HWND window = owner ? reinterpret_cast<HWND>(owner->window()->winId()) : nullptr;
    if (!WinHelpA(window, helpFile.toLocal8Bit().constData(), UINT(command),
                  reinterpret_cast<ULONG_PTR>(&emptyKeyword))) {
        error = qt_error_string(int(GetLastError()));
        return false;
    }
    return true;
#else
    // The desktop's viewer shows the whole file; the command (contents or keyword search)
    // has no counterpart there.
    Q_UNUSED(owner);
    Q_UNUSED(command);
    const QFileInfo info(helpFile);
    if (!info.isFile()) {
        error = QStringLiteral("The help file %1 could not be opened: No such file or directory")
                    .arg(QDir::toNativeSeparators(helpFile));
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))) {
        error = QStringLiteral("The help file %1 could not be opened: no program to view it "
                               "was found")
                    .arg(QDir::toNativeSeparators(helpFile));
        return false;
    }
    return true;
#endif
}
