// The scripted platform for tests: answers dialogs, message boxes and modal windows from
// queues the test fills, records every call, and never opens a real modal window or starts a
// real program. An unscripted dialog answers as cancelled; an unscripted message box answers
// its default button (OK, Yes, or No for YesNoDefaultNo); an unscripted modal dialog is rejected.
#pragma once

#include <QMap>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "platform/Services.h"

class ScriptedServices : public Services {
public:
    struct Call {
        QString kind; // "ShowOpen", "ShowSave", "ShowPrinter", "MsgBox", "RunModal", "Launch",
                      // "RegOpenKey", "RegQueryValue", "RegCloseKey",
                      // "FileExists", "WinHelp"
        QString title;   // dialog title, message caption, registry key, help file
        QString filter;  // file filter; registry value name
        int flags = 0;   // printer flags; registry access; help command
        QString text;    // message text; command line; script path
        MsgButtons buttons = MsgButtons::OK;
        MsgIcon icon = MsgIcon::None;
        QString extra;   // dialog class name
        QString folder;  // the folder a file dialog starts in
    };

    // Answers, consumed front first.
    std::deque<QString> fileAnswers;           // ShowOpen / ShowSave: path, or "" to cancel
    std::deque<bool> printerAnswers;           // ShowPrinter: true to print, false to cancel
    std::function<void(QPrinter&)> onPrinter;  // lets a test point the printer at a PDF file
    std::deque<MsgAnswer> messageAnswers;
    std::deque<std::function<void()>> whileAsking; // run while a message box shows, one a box
    std::deque<std::function<void(QDialog&)>> modalScripts; // act on the dialog, then return
    std::deque<bool> launchAnswers;            // default true
    QString launchError = QStringLiteral("No such file or directory");
    QMap<QString, RegistryValue> registry;     // "key\\value name" -> value; key present if any
    QStringList registryKeys;                  // keys that open
    QStringList existingFiles;
    bool helpSucceeds = true;
    QString helpError = QStringLiteral("Help viewer failed");

    std::vector<Call> calls;

    // Calls of one kind, in order.
    std::vector<Call> callsOf(const QString& kind) const;
    int count(const QString& kind) const { return int(callsOf(kind).size()); }

    QString ShowOpen(QWidget* owner, const QString& title, const QString& filter,
                     const QString& folder) override;
    QString ShowSave(QWidget* owner, const QString& title, const QString& filter,
                     const QString& folder) override;
    bool ShowPrinter(QWidget* owner, const QString& title, int flags, QPrinter& printer) override;
    MsgAnswer ShowMsgBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                         const QString& caption) override;
    MsgAnswer ShowMsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons,
                              MsgIcon icon, const QString& caption,
                              MsgWithdrawal& withdrawal) override;
    void RunModal(QDialog& dialog) override;
    bool Launch(const QString& commandLine, QString& error) override;
    std::optional<std::uintptr_t> RegOpenKey(std::uintptr_t root, const QString& keyName,
                                             std::uint32_t access) override;
    std::optional<RegistryValue> RegQueryValue(std::uintptr_t key,
                                               const QString& valueName) override;
    void RegCloseKey(std::uintptr_t key) override;
    bool FileExists(const QString& path) override;
    bool WinHelp(QWidget* owner, const QString& helpFile, std::uint32_t command,
                 QString& error) override;

private:
    std::vector<QString> openKeys; // handle - 1 indexes this
};
