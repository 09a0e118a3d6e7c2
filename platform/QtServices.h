// The real platform services: Qt's own (non-native) file, printer and message dialogs, detached
// program starts, the registry (a stand-in on Linux) and the desktop's help viewer.
// One instance per running program, made by main().
#pragma once

#include "platform/Services.h"

#ifndef Q_OS_WIN
#include "platform/SystemInfo.h"
#endif

class QtServices : public Services {
public:
    QtServices();

    QString ShowOpen(QWidget* owner, const QString& title, const QString& filter,
                     const QString& folder) override;
    QString ShowSave(QWidget* owner, const QString& title, const QString& filter,
                     const QString& folder) override;
    bool ShowPrinter(QWidget* owner, const QString& title, int flags, QPrinter& printer) override;
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

protected:
    MsgAnswer ShowMsgBox(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                         const QString& caption) override;
    MsgAnswer ShowMsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                              const QString& caption, MsgWithdrawal& withdrawal) override;

private:
    MsgAnswer Ask(QWidget* owner, const QString& text, MsgButtons buttons, MsgIcon icon,
                  const QString& caption, MsgWithdrawal* withdrawal);
#ifndef Q_OS_WIN
    SystemInfo::RegistryStandIn registry;
#endif
};
