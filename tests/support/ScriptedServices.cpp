#include "ScriptedServices.h"

#include <QDialog>

namespace {
template <class T> T takeFront(std::deque<T>& queue, T fallback) {
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

std::vector<ScriptedServices::Call> ScriptedServices::callsOf(const QString& kind) const {
    std::vector<Call> result;
    for (const Call& call : calls)
        if (call.kind == kind)
            result.push_back(call);
    return result;
}

QString ScriptedServices::ShowOpen(QWidget*, const QString& title, const QString& filter,
                                   const QString& folder) {
    calls.push_back({.kind = "ShowOpen", .title = title, .filter = filter, .folder = folder});
    return takeFront(fileAnswers, QString());
}

QString ScriptedServices::ShowSave(QWidget*, const QString& title, const QString& filter,
                                   const QString& folder) {
    calls.push_back({.kind = "ShowSave", .title = title, .filter = filter, .folder = folder});
    return takeFront(fileAnswers, QString());
}

bool ScriptedServices::ShowPrinter(QWidget*, const QString& title, int flags, QPrinter& printer) {
    calls.push_back({.kind = "ShowPrinter", .title = title, .flags = flags});
    const bool print = takeFront(printerAnswers, false);
    if (print && onPrinter)
        onPrinter(printer);
    return print;
}

MsgAnswer ScriptedServices::ShowMsgBox(QWidget*, const QString& text, MsgButtons buttons,
                                       MsgIcon icon, const QString& caption) {
    calls.push_back(
        {.kind = "MsgBox", .title = caption, .text = text, .buttons = buttons, .icon = icon});
    if (auto script = takeFront(whileAsking, std::function<void()>()))
        script();
    const MsgAnswer unscripted = buttons == MsgButtons::YesNo            ? MsgAnswer::Yes
                                 : buttons == MsgButtons::YesNoDefaultNo ? MsgAnswer::No
                                                                         : MsgAnswer::OK;
    return takeFront(messageAnswers, unscripted);
}

MsgAnswer ScriptedServices::ShowMsgBoxUntil(QWidget* owner, const QString& text, MsgButtons buttons,
                                            MsgIcon icon, const QString& caption,
                                            MsgWithdrawal& withdrawal) {
    if (withdrawal.IsWithdrawn())
        return withdrawal.answer; // never shown
    const MsgAnswer answer = ShowMsgBox(owner, text, buttons, icon, caption);
    return withdrawal.IsWithdrawn() ? withdrawal.answer : answer;
}

void ScriptedServices::RunModal(QDialog& dialog) {
    calls.push_back({.kind = "RunModal",
                     .title = dialog.windowTitle(),
                     .extra = QString::fromLatin1(dialog.metaObject()->className())});
    dialog.setModal(true);
    dialog.show();
    auto script = takeFront(modalScripts, std::function<void(QDialog&)>());
    if (script)
        script(dialog);
    else
        dialog.reject();
}

bool ScriptedServices::Launch(const QString& commandLine, QString& error) {
    calls.push_back({.kind = "Launch", .text = commandLine});
    const bool started = takeFront(launchAnswers, true);
    if (!started)
        error = launchError;
    return started;
}

std::optional<std::uintptr_t> ScriptedServices::RegOpenKey(std::uintptr_t, const QString& keyName,
                                                           std::uint32_t access) {
    calls.push_back({.kind = "RegOpenKey", .title = keyName, .flags = int(access)});
    if (!registryKeys.contains(keyName))
        return std::nullopt;
    openKeys.push_back(keyName);
    return openKeys.size();
}

std::optional<RegistryValue> ScriptedServices::RegQueryValue(std::uintptr_t key,
                                                             const QString& valueName) {
    const QString keyName = key >= 1 && key <= openKeys.size() ? openKeys[key - 1] : QString();
    calls.push_back({.kind = "RegQueryValue", .title = keyName, .filter = valueName});
    const QString path = keyName + "\\" + valueName;
    if (!registry.contains(path))
        return std::nullopt;
    return registry.value(path);
}

void ScriptedServices::RegCloseKey(std::uintptr_t key) {
    const QString keyName = key >= 1 && key <= openKeys.size() ? openKeys[key - 1] : QString();
    calls.push_back({.kind = "RegCloseKey", .title = keyName});
}

bool ScriptedServices::FileExists(const QString& path) {
    calls.push_back({.kind = "FileExists", .text = path});
    return existingFiles.contains(path);
}

bool ScriptedServices::WinHelp(QWidget*, const QString& helpFile, std::uint32_t command,
                               QString& error) {
    calls.push_back({.kind = "WinHelp", .title = helpFile, .flags = int(command)});
    if (!helpSucceeds)
        error = helpError;
    return helpSucceeds;
}
