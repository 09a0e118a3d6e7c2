#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/SettingsStore.h"
#include "platform/StateFolder.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QString App = QStringLiteral("KeltoStoreTest");
const QString Section = QStringLiteral("Settings");

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { SettingsStore::Clear(App); }
    void TearDown() override { SettingsStore::Clear(App); }

    // What a fresh process would read: QSettings keeps what it wrote in a per-file cache, so
    // the file is parsed again under another name.
    QString ReadFromCopyOfFile(const QString& key) {
        const QString copy = scratch.filePath(QStringLiteral("copy.ini"));
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(SettingsStore::FileName(App), copy));
        QSettings settings(copy, QSettings::IniFormat);
        settings.beginGroup(Section);
        const QVariant value = settings.value(key);
        EXPECT_EQ(value.typeId(), QMetaType::QString) << key.toStdString();
        return value.toString();
    }

    QTemporaryDir scratch;
};

TEST_F(SettingsStoreTest, MissingKeysAndSectionsGiveTheCallersDefault) {
    EXPECT_EQ(SettingsStore::GetSetting(App, Section, "MainLeft", "1000"), "1000");
    SettingsStore::SaveSetting(App, Section, "MainLeft", "1500");
    EXPECT_EQ(SettingsStore::GetSetting(App, Section, "MainTop", "1000"), "1000");
    EXPECT_EQ(SettingsStore::GetSetting(App, "Other", "MainLeft", "7"), "7");
    EXPECT_EQ(SettingsStore::GetSetting(App, Section, "MainLeft", "1000"), "1500");
}

TEST_F(SettingsStoreTest, AwkwardTextsComeBackExactlyFromTheFile) {
    const QStringList values = {
        QString(),
        QStringLiteral("two\nlines"),
        QStringLiteral("dos\r\nline\r\n"),
        QStringLiteral("Ünïcødé ☃ 日本"),
        QStringLiteral("a, b, c"),
        QStringLiteral("  padded  "),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("@at"),
        QStringLiteral("C:\\Program Files\\FTP\\ftp.exe -s"),
        QStringLiteral("\"/opt/My Browser/browser\" --new ; x = 'y' #z"),
        QStringLiteral("1000"),
        QStringLiteral("tab\there"),
    };
    for (int i = 0; i < values.size(); ++i)
        SettingsStore::SaveSetting(App, Section, QStringLiteral("key%1").arg(i), values[i]);

    for (int i = 0; i < values.size(); ++i) {
        const QString key = QStringLiteral("key%1").arg(i);
        EXPECT_EQ(SettingsStore::GetSetting(App, Section, key, "default"), values[i])
            << key.toStdString();
#ifndef Q_OS_WIN
        EXPECT_EQ(ReadFromCopyOfFile(key), values[i]) << key.toStdString();
#endif
    }
}

#ifdef Q_OS_WIN
// Where Visual Basic's SaveSetting puts them: HKEY_CURRENT_USER\Software\VB and VBA Program
// Settings\<application>\<section>, each value a string (REG_SZ), read back exactly.
TEST_F(SettingsStoreTest, StoreIsTheRegistryKeyOfTheCurrentUser) {
    EXPECT_EQ(SettingsStore::FileName(App),
              "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\" + App);
    const QStringList values = {QString(), QStringLiteral("C:\\Program Files\\FTP\\ftp.exe -s"),
                                QStringLiteral("two\r\nlines"), QStringLiteral("Ünïcødé ☃ 日本"),
                                QStringLiteral("1000")};
    const std::wstring key = (L"Software\\VB and VBA Program Settings\\" + App.toStdWString() +
                              L"\\" + Section.toStdWString());
    for (int i = 0; i < values.size(); ++i) {
        const QString name = QStringLiteral("key%1").arg(i);
        SettingsStore::SaveSetting(App, Section, name, values[i]);
        wchar_t data[256] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.toStdWString().c_str(),
                               RRF_RT_ANY, &type, data, &size),
                  ERROR_SUCCESS)
            << name.toStdString();
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(QString::fromWCharArray(data), values[i]);
        EXPECT_EQ(SettingsStore::GetSetting(App, Section, name, "default"), values[i]);
    }
}
#else
TEST_F(SettingsStoreTest, StoreIsTheIniFileUnderTheConfigDirectory) {
    const QString expected = QDir::cleanPath(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) +
                                             "/" + App + "/" + App + ".ini");
    EXPECT_EQ(SettingsStore::FileName(App), expected);

    SettingsStore::SaveSetting(App, Section, "ftpPath", "/usr/bin/ftp");
    QFile file(expected);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("[Settings]"));
    EXPECT_TRUE(content.contains("ftpPath=/usr/bin/ftp"));
}
#endif

#ifndef Q_OS_WIN
// The XDG base directory rules: a value that is unset, empty or relative is ignored, for the
// settings and for the state folder alike.
TEST_F(SettingsStoreTest, RelativeOrEmptyXdgFoldersAreIgnored) {
    const QByteArray config = qgetenv("XDG_CONFIG_HOME"), state = qgetenv("XDG_STATE_HOME");
    for (const char* value : {"", "relative/folder", "."}) {
        qputenv("XDG_CONFIG_HOME", value);
        qputenv("XDG_STATE_HOME", value);
        EXPECT_EQ(SettingsStore::FileName(App),
                  QDir::homePath() + "/.config/" + App + "/" + App + ".ini");
        EXPECT_EQ(StateFolder::Path(), QDir::homePath() + "/.local/state/Kelto");
    }
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("XDG_STATE_HOME", state);
}
#endif

TEST_F(SettingsStoreTest, ClearRemovesEveryKeyOfTheApplicationOnly) {
    SettingsStore::SaveSetting(App, Section, "webPath", "firefox");
    SettingsStore::SaveSetting(App, "Other", "x", "y");
    SettingsStore::SaveSetting("KeltoStoreNeighbour", Section, "webPath", "kept");

    SettingsStore::Clear(App);

    EXPECT_EQ(SettingsStore::GetSetting(App, Section, "webPath", ""), "");
    EXPECT_EQ(SettingsStore::GetSetting(App, "Other", "x", "gone"), "gone");
    EXPECT_EQ(SettingsStore::GetSetting("KeltoStoreNeighbour", Section, "webPath", ""), "kept");
    SettingsStore::Clear("KeltoStoreNeighbour");
}

} // namespace
