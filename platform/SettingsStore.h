// The per-user settings store: string values addressed by application name, section and key.
// Linux: an INI file under $XDG_CONFIG_HOME/<application>/ ($HOME/.config when unset, empty or
// relative, as the XDG base directory rules say); Windows: the registry key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>.
#pragma once

#include <QString>

namespace SettingsStore {

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue);
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);
// The file that holds an application's settings (Linux), for tests and the docs.
QString FileName(const QString& appName);
// Removes every setting of the application (tests start from an empty store).
void Clear(const QString& appName);

} // namespace SettingsStore
