// Help > Contents and Search For Help On, and the About box with its system information
// button: the messages, the help commands handed over, and the order of the registry look-ups.
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "app/frmAbout.h"
#include "support/ProgramFixture.h"

namespace {

class Help : public ProgramFixture {};

TEST_F(Help, WithoutAHelpFileBothCommandsSayThereIsNoHelp) {
    main->setWindowTitle("Kelto - [Source 1]"); // the caption as it is, not the title
    main->mnuHelpContents_Click();
    main->mnuHelpSearchForHelpOn_Click();
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "Unable to display Help Contents. There is no Help associated with "
                            "this project.");
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.buttons, MsgButtons::OK);
        EXPECT_EQ(box.title, "Kelto - [Source 1]");
    }
    EXPECT_EQ(services.count("WinHelp"), 0);
}

TEST_F(Help, WithAHelpFileTheViewerGetsContentsOrSearch) {
    program->App.HelpFile = "/opt/kelto/kelto.hlp";
    main->mnuHelpContents_Click();
    main->mnuHelpSearchForHelpOn_Click();
    const auto help = services.callsOf("WinHelp");
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].title, "/opt/kelto/kelto.hlp");
    EXPECT_EQ(help[0].flags, 3);
    EXPECT_EQ(help[1].flags, 261);
    EXPECT_EQ(services.count("MsgBox"), 0);

    services.helpSucceeds = false;
    main->mnuHelpContents_Click();
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, services.helpError);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::OK);
}

class About : public ProgramFixture {
protected:
    const QString infoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    const QString locationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
#ifdef Q_OS_WIN
    const QString tool = "\\MSINFO32.EXE";
#else
    const QString tool = "/MSINFO32.EXE";
#endif

    static RegistryValue Text(const QByteArray& bytes) {
        return {1, bytes + QByteArray(1, '\0')};
    }
    // Opens the About box from the Help menu, lets the test act on it, then closes it.
    void WithAboutBox(const std::function<void(frmAbout&)>& act) {
        services.modalScripts.push_back([act](QDialog& dialog) {
            auto* about = qobject_cast<frmAbout*>(&dialog);
            ASSERT_NE(about, nullptr);
            act(*about);
            dialog.reject();
        });
        main->mnuHelpAbout_Click();
    }
    // System Info pressed in the About box; true when the box stayed open.
    bool PressSystemInfo() {
        bool open = false;
        WithAboutBox([&open](frmAbout& about) {
            about.cmdSysInfo->click();
            open = about.isVisible();
        });
        return open;
    }
    std::vector<QString> RegistryTrail() const {
        std::vector<QString> trail;
        for (const auto& call : services.calls)
            if (call.kind.startsWith("Reg") || call.kind == "FileExists")
                trail.push_back(call.kind + " " + call.title + call.text + " " + call.filter);
        return trail;
    }
    void ExpectUnavailable() {
        const auto boxes = services.callsOf("MsgBox");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(boxes[0].buttons, MsgButtons::OK);
        EXPECT_EQ(boxes[0].title, "Kelto");
        EXPECT_EQ(services.count("Launch"), 0);
    }
};

TEST_F(About, ShowsTitleVersionAndDescription) {
    WithAboutBox([this](frmAbout& about) {
        EXPECT_TRUE(about.isModal());
        EXPECT_EQ(about.parentWidget(), main.data());
        EXPECT_EQ(about.lblTitle->text(), "Kelto");
        EXPECT_EQ(about.lblVersion->text(), "Version 1.7.0");
        EXPECT_EQ(about.lblDescription->text(),
                  "An Intergrated Development Environment designed especially for Quake 3 mod "
                  "coding");
        EXPECT_EQ(about.cmdOK->text(), "OK");
        EXPECT_TRUE(about.cmdOK->isDefault());
        EXPECT_EQ(about.cmdSysInfo->text(), "&System Info...");
        EXPECT_FALSE(about.picIcon->pixmap().isNull());
        about.cmdOK->click();
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(about.result(), QDialog::Accepted);
    });
    const auto shown = services.callsOf("RunModal");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "About Kelto");
    EXPECT_EQ(shown[0].extra, "frmAbout");
}

TEST_F(About, TheFirstValueFoundStartsTheToolWithoutTheSecondLookUp) {
    services.registryKeys = {infoKey, locationKey};
    services.registry[infoKey + "\\PATH"] = Text("/usr/bin/sysinfo tool");
    services.registry[locationKey + "\\MSINFO"] = Text("/elsewhere");
    EXPECT_TRUE(PressSystemInfo());
    const auto launched = services.callsOf("Launch");
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].text, "/usr/bin/sysinfo tool");
    EXPECT_EQ(RegistryTrail(), (std::vector<QString>{"RegOpenKey " + infoKey + " ",
                                                     "RegQueryValue " + infoKey + " PATH",
                                                     "RegCloseKey " + infoKey + " "}));
    EXPECT_EQ(services.callsOf("RegOpenKey")[0].flags, 0x2003F);
    EXPECT_EQ(services.count("MsgBox"), 0);
}

TEST_F(About, TheSecondValueNamesAFolderThatMustHoldTheTool) {
    services.registryKeys = {locationKey};
    services.registry[locationKey + "\\MSINFO"] = Text("/opt/msinfo");
    EXPECT_TRUE(PressSystemInfo());
    ExpectUnavailable();
    EXPECT_EQ(RegistryTrail(), (std::vector<QString>{"RegOpenKey " + infoKey + " ",
                                                     "RegOpenKey " + locationKey + " ",
                                                     "RegQueryValue " + locationKey + " MSINFO",
                                                     "RegCloseKey " + locationKey + " ",
                                                     "FileExists /opt/msinfo" + tool + " "}));

    services.calls.clear();
    services.existingFiles = {"/opt/msinfo" + tool};
    PressSystemInfo();
    ASSERT_EQ(services.count("Launch"), 1);
    EXPECT_EQ(services.callsOf("Launch")[0].text, "/opt/msinfo" + tool);
}

TEST_F(About, AMissingKeyOrValueEndsInTheMessage) {
    services.registryKeys = {infoKey}; // the key opens, the value is not there
    EXPECT_TRUE(PressSystemInfo());
    ExpectUnavailable();
    EXPECT_EQ(services.count("RegCloseKey"), 1); // closed although the read failed
}

TEST_F(About, AValueOfAnotherTypeCountsAsReadButStartsNothing) {
    services.registryKeys = {infoKey, locationKey};
    services.registry[infoKey + "\\PATH"] = {3, QByteArray("/usr/bin/x\0", 11)};
    services.registry[locationKey + "\\MSINFO"] = Text("/opt/msinfo");
    services.existingFiles = {"/opt/msinfo" + tool};
    EXPECT_TRUE(PressSystemInfo());
    ExpectUnavailable();
    EXPECT_EQ(services.count("FileExists"), 0); // the second look-up never ran
}

TEST_F(About, AFailedStartEndsInTheMessage) {
    services.registryKeys = {infoKey};
    services.registry[infoKey + "\\PATH"] = Text("/usr/bin/sysinfo");
    services.launchAnswers = {false};
    EXPECT_TRUE(PressSystemInfo());
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "System Information Is Unavailable At This Time");
}

TEST_F(About, GetKeyValueReadsStringsAndNumbers) {
    frmAbout about(*program, main);
    services.registryKeys = {"K"};
    services.registry["K\\s"] = {1, QByteArray("abc\0def", 7)};
    services.registry["K\\n"] = {4, QByteArray("\x00\x01\x00\x00", 4)};
    services.registry["K\\b"] = {3, QByteArray("zz")};
    services.registry["K\\big"] = {1, QByteArray(2000, 'x')};
    QString value = "before";
    EXPECT_TRUE(about.GetKeyValue(frmAbout::LocalMachine, "K", "s", value));
    EXPECT_EQ(value, "abc"); // cut at the first zero
    EXPECT_TRUE(about.GetKeyValue(frmAbout::LocalMachine, "K", "n", value));
    EXPECT_EQ(value, "&h100");
    value = "as passed";
    EXPECT_TRUE(about.GetKeyValue(frmAbout::LocalMachine, "K", "b", value));
    EXPECT_EQ(value, "as passed");
    // Larger than the 1024-character buffer: not read, rather than read cut short.
    EXPECT_FALSE(about.GetKeyValue(frmAbout::LocalMachine, "K", "big", value));
    EXPECT_EQ(value, "");
    value = "x";
    EXPECT_FALSE(about.GetKeyValue(frmAbout::LocalMachine, "missing", "s", value));
    EXPECT_EQ(value, "");
}

} // namespace
