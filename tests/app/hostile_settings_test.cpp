// A settings store that fights back: placement values that are no usable number, paths with
// line breaks and INI syntax in them, a settings file of binary bytes. The program starts with
// defaults for what it cannot use, keeps every path character for character, and never ends.
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "support/ProgramFixture.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(TwipsToPixels(left, DotsPerInch(nullptr, Qt::Horizontal)),
                 TwipsToPixels(top, DotsPerInch(nullptr, Qt::Vertical)),
                 TwipsToPixels(width, DotsPerInch(nullptr, Qt::Horizontal)),
                 TwipsToPixels(height, DotsPerInch(nullptr, Qt::Vertical)));
}

class HostileSettings : public ProgramFixture {
protected:
    // Restarts the program on a store holding exactly these values.
    void RestartWith(const std::vector<std::pair<const char*, QString>>& values) {
        CloseProgram();
        SettingsStore::Clear("Kelto");
        for (const auto& [key, value] : values)
            SettingsStore::SaveSetting("Kelto", "Settings", key, value);
        StartProgram();
    }
};

TEST_F(HostileSettings, PlacementThatIsNoUsableNumberTakesItsDefault) {
    const QString unusable[] = {" ", "12px", "nan", "-inf", "1e400", "0x10"};
    for (const QString& value : unusable) {
        RestartWith(
            {{"MainLeft", value}, {"MainTop", value}, {"MainWidth", value}, {"MainHeight", value}});
        EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500)) << value.toStdString();
    }
    // Sizes of zero or less take their defaults.
    RestartWith({{"MainWidth", "0"}, {"MainHeight", "-6500"}});
    EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500));
    // A negative place is a place (a screen left of or above the first one).
    RestartWith({{"MainLeft", "-1500"}, {"MainTop", " 300 "}, {"MainWidth", "7000.6"}});
    // (The offscreen platform nudges a window that starts left of its one screen by a pixel
    // or two; the place is still taken.)
    const QRect expected = TwipsRect(-1500, 300, 7000.6, 6500);
    EXPECT_EQ(main->frameGeometry().size(), expected.size());
    EXPECT_LT(main->frameGeometry().left(), 0);
    EXPECT_NEAR(main->frameGeometry().left(), expected.left(), 4);
    EXPECT_EQ(main->frameGeometry().top(), expected.top());
}

// Numbers that cannot make a usable window: a size beyond the desktop is clamped to it, a
// window whose title bar lies on no screen is moved onto the nearest one. What was mended is
// not written back unless the user moves or resizes the window.
TEST_F(HostileSettings, PlacementBeyondTheDesktopIsMendedAndNotWrittenBack) {
    const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
    const auto stored = [](const char* key) {
        return SettingsStore::GetSetting("Kelto", "Settings", key, "<missing>");
    };
    RestartWith({{"MainWidth", "14000000"}, {"MainHeight", "14000000"}});
    EXPECT_EQ(main->frameGeometry(), QRect(TwipsRect(1000, 1000, 0, 0).topLeft(), desktop.size()));
    CloseProgram();
    EXPECT_EQ(stored("MainWidth"), "14000000");
    EXPECT_EQ(stored("MainHeight"), "14000000");
    EXPECT_EQ(stored("MainLeft"), "<missing>");

    // Far beyond the screen, either way: moved onto it, as far inside as the size allows.
    RestartWith({{"MainLeft", "1e12"}, {"MainTop", "-1e12"}, {"MainWidth", "1e12"}});
    EXPECT_EQ(main->frameGeometry(),
              QRect(0, desktop.top(), desktop.width(), TwipsRect(0, 0, 0, 6500).height()));
    // Moved by the user: the new place is stored.
    main->move(30, 40);
    QApplication::processEvents();
    const QRect moved = main->frameGeometry();
    CloseProgram();
    EXPECT_EQ(stored("MainLeft"),
              QString::number(PixelsToTwips(moved.left(), DotsPerInch(nullptr, Qt::Horizontal))));
    EXPECT_EQ(stored("MainWidth"),
              QString::number(PixelsToTwips(moved.width(), DotsPerInch(nullptr, Qt::Horizontal))));
    StartProgram();
    EXPECT_EQ(main->frameGeometry(), moved);
}

TEST_F(HostileSettings, PathsSurviveARestartCharacterForCharacter) {
    const QString paths[] = {
        "",
        "C:\\Program Files\\ftp.exe\r\n--second-line",
        "/usr/bin/ftp ; rm -rf / # not run, only kept",
        "a=b, [Settings] \"quoted\" %percent% \\ trailing\\",
        QString::fromUtf8("/opt/caf\xC3\xA9/\xE2\x82\xAC\tbrowser\n"),
    };
    for (const QString& path : paths) {
        RestartWith({});
        program->module1.FTPClientPath = path;
        program->module1.WebBrowserPath = path + "w";
        program->module1.EmailClientPath = path;
        CloseProgram();
        StartProgram();
        EXPECT_EQ(program->module1.FTPClientPath, path) << path.toStdString();
        EXPECT_EQ(program->module1.WebBrowserPath, path + "w") << path.toStdString();
        EXPECT_EQ(program->module1.EmailClientPath, path) << path.toStdString();
    }
}

TEST_F(HostileSettings, ASettingsFileOfBinaryBytesGivesDefaults) {
    CloseProgram();
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919 + 13) % 256);
#ifdef Q_OS_WIN
    // The store is the registry there: a value of bytes, not text, written by another program.
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER,
                              L"Software\\VB and VBA Program Settings\\Kelto\\Settings",
                              L"MainLeft", REG_BINARY, junk.constData(), DWORD(junk.size())),
              ERROR_SUCCESS);
#else
    {
        QFile file(SettingsStore::FileName("Kelto"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nMainLeft=" + junk);
    }
#endif
    StartProgram();
    EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500));
    program->module1.FTPClientPath = "/usr/bin/lftp";
    CloseProgram(); // the store is the program's own: it is written afresh, readable again
    StartProgram();
    EXPECT_EQ(program->module1.FTPClientPath, "/usr/bin/lftp");
}

} // namespace
