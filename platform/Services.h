// The platform services that windows reach dialogs, message boxes, launched programs, the
// registry and the help viewer through. QtServices is the real set; tests use the scripted
// set in tests/support, which answers from a queue and records every call, so no test ever
// opens a real modal window or starts a real program. (Build scripts do not come through
// here: their build window runs them, through platform/BuildProcess.)
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;
class QDialog;
class QPrinter;

// YesNoDefaultNo: a question where saying yes by a slip of Enter could harm (writing through a
// symbolic link someone else made), so No is the default button.
enum class MsgButtons { OK, YesNo, YesNoDefaultNo };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgAnswer { OK, Yes, No };

// A question the program takes back once it no longer stands (the build it asks about has
// ended): Withdraw() closes the message box asked with it, and a box asked after Withdraw() is
// not shown at all; the box then answers `answer`, as if the user had given it.
class MsgWithdrawal : public QObject {
    Q_OBJECT
public:
    explicit MsgWithdrawal(MsgAnswer answer) : answer(answer) {}
    void Withdraw() {
        if (!withdrawn) {
            withdrawn = true;
            emit Withdrawn();
        }
    }
    bool IsWithdrawn() const { return withdrawn; }
    const MsgAnswer answer;

signals:
    void Withdrawn();

private:
    bool withdrawn = false;
};

// A registry value as RegQueryValueExA hands it over: its type and its raw bytes.
struct RegistryValue {
    std::uint32_t type = 0; // 1: string, 4: 32-bit number, others passed through
    QByteArray data;
};

// Where a file dialog starts: in the folder of the active source window's file, else in the
// folder of the last file chosen in a file dialog in this run, else in the workspace's source
// directory; a folder that does not exist is passed over. Empty when none is left.
struct DialogFolders {
    std::function<QString()> activeFile; // the active source window's file, or empty
    std::function<QString()> sourceDir;  // the loaded workspace's source directory, or empty
    QString lastChosen;                  // the folder of the last file chosen in this run
    QString Start() const;
};

class Services {
public:
    Services();
    virtual ~Services();
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    // File dialogs, starting in folder (empty: the platform's choice): the chosen full path, or
    // an empty string when the user cancelled.
    virtual QString ShowOpen(QWidget* owner, const QString& title, const QString& filter,
                             const QString& folder) = 0;
    virtual QString ShowSave(QWidget* owner, const QString& title, const QString& filter,
                             const QString& folder) = 0;
    // Printer dialog: true when the user chose to go on, with the choice in printer.
    // flags are the dialog's Flags (256: return the device, 8: no page range, 1: selection).
    virtual bool ShowPrinter(QWidget* owner, const QString& title, int flags,
                             QPrinter& printer) = 0;

    // Message box: answers OK, Yes or No. Message boxes never stack up: a message with only OK
    // asked for while another message box is open (failures arriving while the user reads the
    // first: files handed over by other starts, timers) is answered OK at once and waits; when
    // the open box has closed, all that waited are shown as one message. While a
    // GatheredMessages lives, OK messages wait the same way and come as one when it ends.
    // Questions are shown at once: they need their answer.
    MsgAnswer MsgBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                     const QString& caption);
    // The same, for a question the program may take back while it shows (it counts as an open
    // box as well).
    MsgAnswer MsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& caption, MsgWithdrawal& withdrawal);

    // Shows a modal dialog and returns when it has closed (QDialog::exec in the real set;
    // the scripted set lets the test act on the dialog, then closes it).
    virtual void RunModal(QDialog& dialog) = 0;

    // Starts a command line detached, with a normal focused window; reads no result.
    // false with a reason in error when it could not be started.
    virtual bool Launch(const QString& commandLine, QString& error) = 0;

    // Registry reader (RegOpenKeyExA, RegQueryValueExA, RegCloseKey): open returns a handle
    // or nothing, query returns the value or nothing, close ends the handle.
    virtual std::optional<std::uintptr_t> RegOpenKey(std::uintptr_t root, const QString& keyName,
                                                     std::uint32_t access) = 0;
    virtual std::optional<RegistryValue> RegQueryValue(std::uintptr_t key,
                                                       const QString& valueName) = 0;
    virtual void RegCloseKey(std::uintptr_t key) = 0;
    virtual bool FileExists(const QString& path) = 0;

    // Help viewer (WinHelpA): hands the help file and command over; false with the error's
    // description when the call failed.
    virtual bool WinHelp(QWidget* owner, const QString& helpFile, std::uint32_t command,
                         QString& error) = 0;

    // Where the common dialog's file dialogs start, for the whole running program.
    DialogFolders dialogFolders;

protected:
    // Show one message box and wait for its answer (MsgBox, MsgBoxUntil).
    virtual MsgAnswer ShowMsgBox(QWidget* owner, const QString& text, MsgButtons buttons,
                                 MsgIcon icon, const QString& caption) = 0;
    virtual MsgAnswer ShowMsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons,
                                      MsgIcon icon, const QString& caption,
                                      MsgWithdrawal& withdrawal) = 0;

private:
    friend class GatheredMessages;
    struct Waiting;
    void ShowWaiting();

    int openBoxes = 0;
    int gatherings = 0;
    std::unique_ptr<std::vector<Waiting>> waiting;
};

// Gathers a burst of messages into one (the failures of the files one start names): while one
// lives, the OK messages of services wait, and when the last one ends they are shown as one.
class GatheredMessages {
public:
    explicit GatheredMessages(Services& services);
    ~GatheredMessages();
    GatheredMessages(const GatheredMessages&) = delete;
    GatheredMessages& operator=(const GatheredMessages&) = delete;

private:
    Services& services;
};
