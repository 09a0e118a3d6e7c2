// The registry as the program reads it, on Linux: a stand-in that knows one key, the place
// where Windows keeps the path of its system information tool, and answers it with the first
// system information program installed on PATH. Every other key fails to open.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/Services.h"

namespace SystemInfo {

// The key and value that name the system information tool.
inline constexpr char16_t ToolKey[] = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char16_t ToolValue[] = u"PATH";

// The system information programs looked for on PATH, in order of preference.
QStringList ToolCandidates();

// The full path of the first candidate installed, or empty. findExecutable turns a program
// name into its full path, or empty when it is not installed.
QString FindTool(const std::function<QString(const QString&)>& findExecutable);

// Open keys by handle. Key and value names compare without regard to case, as in the registry.
class RegistryStandIn {
public:
    explicit RegistryStandIn(std::function<QString(const QString&)> findExecutable);

    std::optional<std::uintptr_t> Open(const QString& keyName);
    std::optional<RegistryValue> Query(std::uintptr_t key, const QString& valueName) const;
    void Close(std::uintptr_t key);

private:
    std::function<QString(const QString&)> findExecutable;
    std::map<std::uintptr_t, QString> openKeys; // handle -> the tool path it answers
    std::uintptr_t nextHandle = 1;
};

} // namespace SystemInfo
