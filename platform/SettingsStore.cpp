// The settings store on QSettings. Values are always written and read as text, so what the
// program saves is what it reads back, whatever characters it holds.
#include "platform/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <memory>

namespace {

#ifdef Q_OS_WIN
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>, one key per section.
std::unique_ptr<QSettings> OpenStore(const QString& appName) {
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + appName,
        QSettings::NativeFormat);
}
#else
// $XDG_CONFIG_HOME/<application>/<application>.ini, one group per section. The path is
// worked out here rather than left to QSettings, so the file is the one FileName names.
std::unique_ptr<QSettings> OpenStore(const QString& appName) {
    return std::make_unique<QSettings>(SettingsStore::FileName(appName), QSettings::IniFormat);
}
#endif

} // namespace

namespace SettingsStore {

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    auto store = OpenStore(appName);
    store->beginGroup(section);
    if (!store->contains(key))
        return defaultValue;
    const QVariant value = store->value(key);
    // A hand-edited file may hold an unquoted list ("a, b"); hand it over as the text it was.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    auto store = OpenStore(appName);
    store->beginGroup(section);
    store->setValue(key, value);
    store->endGroup();
    store->sync();
}

QString FileName(const QString& appName) {
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + appName;
#else
    // The XDG base directory rules: unset, empty or relative means $HOME/.config. (Qt 6.4's
    // QStandardPaths takes a relative value as it is, relative to the working directory.)
    QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QLatin1Char('/') + appName + QLatin1Char('/') + appName +
                           QStringLiteral(".ini"));
#endif
}

void Clear(const QString& appName) {
    auto store = OpenStore(appName);
    store->clear();
    store->sync();
}

} // namespace SettingsStore
