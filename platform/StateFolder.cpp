#include "platform/StateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>

#include "platform/TextFile.h"
#endif

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
    // The XDG base directory rules: a relative value is to be ignored. (Qt's QStandardPaths has
    // no state location before Qt 6.7.)
    const QString state = QString::fromLocal8Bit(qgetenv("XDG_STATE_HOME"));
    const QString base = QDir::isAbsolutePath(state) ? state : QDir::homePath() + "/.local/state";
    return QDir::cleanPath(base + QStringLiteral("/Kelto"));
#endif
}

QString MakePrivate(const QString& folder) {
    const QString shown = QDir::toNativeSeparators(folder);
    if (QFileInfo(folder).isSymLink())
        return QStringLiteral("the folder %1 is a symbolic link").arg(shown);
    if (!QDir().mkpath(folder))
        return QStringLiteral("the folder %1 cannot be made").arg(shown);
#ifndef Q_OS_WIN
    const QByteArray name = TextFile::EncodeName(folder);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(shown);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("the folder %1 belongs to another user").arg(shown);
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return QStringLiteral("the folder %1 cannot be made private").arg(shown);
    // Who may write the folder holding it may put another folder in its place.
    const QString holder = QFileInfo(folder).absolutePath();
    struct stat up {};
    if (::stat(TextFile::EncodeName(holder).constData(), &up) != 0)
        return QStringLiteral("the folder %1 cannot be checked").arg(shown);
    if ((up.st_uid != ::geteuid() && up.st_uid != 0) ||
        ((up.st_mode & (S_IWGRP | S_IWOTH)) && !(up.st_mode & S_ISVTX)))
        return QStringLiteral("the folder %1 holding it can be changed by other users")
            .arg(QDir::toNativeSeparators(holder));
#else
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    return {};
}

QString Make(const QString& subfolder, QString* why) {
    const QString path = Path() + u'/' + subfolder;
    const QString problem = MakePrivate(path);
    if (why)
        *why = problem;
    return problem.isEmpty() ? path : QString();
}

} // namespace StateFolder
