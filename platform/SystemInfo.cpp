// The registry stand-in.
#include "platform/SystemInfo.h"

#include <utility>

namespace SystemInfo {

QStringList ToolCandidates() {
    return {QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

QString FindTool(const std::function<QString(const QString&)>& findExecutable) {
    for (const QString& name : ToolCandidates()) {
        const QString path = findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

RegistryStandIn::RegistryStandIn(std::function<QString(const QString&)> findExecutable)
    : findExecutable(std::move(findExecutable)) {}

std::optional<std::uintptr_t> RegistryStandIn::Open(const QString& keyName) {
    if (keyName.compare(QStringView(ToolKey), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    // The key exists only while some system information program is installed.
    const QString tool = FindTool(findExecutable);
    if (tool.isEmpty())
        return std::nullopt;
    const std::uintptr_t handle = nextHandle++;
    openKeys[handle] = tool;
    return handle;
}

std::optional<RegistryValue> RegistryStandIn::Query(std::uintptr_t key,
                                                    const QString& valueName) const {
    const auto found = openKeys.find(key);
    if (found == openKeys.end() ||
        valueName.compare(QStringView(ToolValue), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    // A string value as the ANSI call hands it over: 8-bit text with its closing zero.
    QByteArray data = found->second.toLocal8Bit();
    data.append('\0');
    return RegistryValue{.type = 1, .data = data};
}

void RegistryStandIn::Close(std::uintptr_t key) {
    openKeys.erase(key);
}

} // namespace SystemInfo
