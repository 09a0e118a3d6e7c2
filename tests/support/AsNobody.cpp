#include "support/AsNobody.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

QString NobodysTestDir() {
    return qEnvironmentVariable("KELTO_TEST_DIR");
}

#ifdef Q_OS_WIN
// Windows has no user that permissions do not bind: the check runs here.
bool RunAsNobody(const QString&, const QString&, int&) {
    return false;
}

void RunWherePermissionsBind(const QString&, const QString& dir,
                             const std::function<void(const QString&)>& check) {
    check(dir);
}
#else
#include <unistd.h>

bool RunAsNobody(const QString& test, const QString& dir, int& exitCode) {
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (geteuid() != 0 || setpriv.isEmpty())
        return false;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELTO_TEST_DIR", dir);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                          QCoreApplication::applicationFilePath(),
                          "--gtest_also_run_disabled_tests", "--gtest_filter=" + test});
    exitCode = child.waitForFinished(60000) ? child.exitCode() : -1;
    return true;
}

void RunWherePermissionsBind(const QString& test, const QString& dir,
                             const std::function<void(const QString&)>& check) {
    if (geteuid() != 0) {
        check(dir);
        return;
    }
    ASSERT_EQ(::chown(QFile::encodeName(dir).constData(), 65534, 65534), 0);
    int exitCode = -1;
    if (!RunAsNobody(test, dir, exitCode))
        GTEST_SKIP() << "permissions do not bind root, and setpriv is missing to run as nobody";
    EXPECT_EQ(exitCode, 0) << test.toStdString() << " failed as nobody";
}
#endif
