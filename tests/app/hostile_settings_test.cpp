// A settings store that fights back: placement values that are no usable number, paths with
// line breaks and INI syntax in them, a settings file of binary bytes. The program starts with
// defaults for what it cannot use, keeps every path character for character, and never ends.
#include <QFile>
#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "support/ProgramFixture.h"

namespace {

QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                 TwipsToPixelsY(height));
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
    // Sizes of zero or less, and sizes and places far beyond any screen, do not shape the window.
    RestartWith(
        {{"MainLeft", "1e12"}, {"MainTop", "-1e12"}, {"MainWidth", "0"}, {"MainHeight", "-6500"}});
    EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500));
    RestartWith({{"MainWidth", "1e12"}, {"MainHeight", "1e12"}});
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
    {
        QFile file(SettingsStore::FileName("Kelto"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += char((i * 7919 + 13) % 256);
        file.write("[Settings]\nMainLeft=" + junk);
    }
    StartProgram();
    EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500));
    program->module1.FTPClientPath = "/usr/bin/lftp";
    CloseProgram(); // the store is the program's own: it is written afresh, readable again
    StartProgram();
    EXPECT_EQ(program->module1.FTPClientPath, "/usr/bin/lftp");
}

} // namespace
