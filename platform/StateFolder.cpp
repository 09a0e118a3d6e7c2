#include "platform/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace StateFolder {

QString Path() {
#ifdef Q_OS_WIN
    // %LOCALAPPDATA%, the folder Windows gives each user's local data. As with XDG_STATE_HOME,
    // the environment decides, so that a test or a portable setup can move it.
    const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    const QString base =
        QDir::isAbsolutePath(local)
            ? local
            : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir::cleanPath(base + QStringLiteral("/Kelto"));
#else
    // The XDG base directory rules: a relative value is to be ignored.
    const QString state = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    const QString base = QDir::isAbsolutePath(state) ? state : QDir::homePath() + "/.local/state";
    return QDir::cleanPath(base + QStringLiteral("/Kelto"));
#endif
}

QString Make(const QString& subfolder) {
    const QString path = Path() + u'/' + subfolder;
    if (!QDir().mkpath(path))
        return {};
    // Unsaved text of the user's files: for the user's eyes only.
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace StateFolder
