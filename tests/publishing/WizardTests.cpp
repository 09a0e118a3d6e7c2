// The publishing wizard: its pages' paths, navigation, Execute, and life beyond the main window.
#include <QLabel>
#include <QTest>

#include "PublishingFixture.h"

namespace {
struct PathPageCase {
    int page;
    const char* box;
    QString Module1::*path;
};
const PathPageCase PathPages[] = {
    {2, "txtWeb", &Module1::WebBrowserPath},
    {3, "txtFTP", &Module1::FTPClientPath},
    {4, "txtEma", &Module1::EmailClientPath},
};

QLineEdit* Box(WizardPage* page) {
    auto* pathPage = qobject_cast<WizardPathPage*>(page);
    return pathPage ? pathPage->PathBox : nullptr;
}
} // namespace

using Wizard = PublishingFixture;

TEST_F(Wizard, EachPathPageOpensWithItsProgramWidePathOrEmpty) {
    for (const PathPageCase& c : PathPages) {
        SCOPED_TRACE(c.page);
        program->module1.*c.path = QStringLiteral("/usr/bin/prog %1").arg(c.page);
        auto* page = qobject_cast<WizardPathPage*>(WizardPage::ShowPage(*program, c.page));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->PathBox->objectName(), c.box);
        EXPECT_EQ(page->PathBox->text(), program->module1.*c.path);
        page->close();
        program->module1.*c.path = QString();
        page = qobject_cast<WizardPathPage*>(WizardPage::ShowPage(*program, c.page));
        EXPECT_EQ(page->PathBox->text(), "");
        page->close();
    }
    // The thin pages name their box as the window design does.
    program->module1.EmailClientPath = "e";
    EXPECT_EQ(qobject_cast<frmMP4*>(WizardPage::ShowPage(*program, 4))->txtEma->text(), "e");
}

TEST_F(Wizard, PublishModShowsAFreeStandingWelcomePageWithTheWholeText) {
    main->mnuBuildUpload_Click();
    auto* page = PageAs<frmMP1>(1);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(page->isWindow());
    EXPECT_EQ(page->parentWidget(), nullptr);
    const QStringList lines = page->Label1->text().split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("Welcome to the Kelto Mod Publishing Wizard, this wizard"));
    EXPECT_TRUE(lines[0].endsWith("by now, you should already have done:"));
    EXPECT_EQ(lines[2], "> A readme.txt to go along with your mod");
    EXPECT_EQ(lines[4], "If you don't have the above done, click cancel and go do that, if you "
                        "have all of it done, click next to continue");
    EXPECT_FALSE(page->Label1->text().endsWith("\n"));
    EXPECT_EQ(page->cmdBack, nullptr);

    // Back from page 2 shows it again, text and all.
    page->cmdNext->click();
    Settle();
    EXPECT_EQ(OpenPages(), std::vector<int>{2});
    Page(2)->cmdBack->click();
    Settle();
    EXPECT_EQ(OpenPages(), std::vector<int>{1});
    EXPECT_EQ(Page(1)->Label1->text(), frmMP1::WelcomeText());
}

TEST_F(Wizard, APathTypedOnPage3AndNextBecomesTheFTPClientPathShownInOptions) {
    program->module1.FTPClientPath = "old";
    WizardPage::ShowPage(*program, 3);
    Box(Page(3))->setText("/usr/bin/filezilla");
    Page(3)->cmdNext->click();
    EXPECT_EQ(OpenPages(), std::vector<int>{4});
    EXPECT_EQ(program->module1.FTPClientPath, "/usr/bin/filezilla");
    WithOptions([](frmOptions& d) {
        EXPECT_EQ(d.txtftppath->text(), "/usr/bin/filezilla");
        d.cmdCancel->click();
    });
}

TEST_F(Wizard, CancelAndTheCloseBoxStoreATypedPathButAnEmptiedBoxKeepsTheOldOne) {
    WizardPage::ShowPage(*program, 2);
    Box(Page(2))->setText("/usr/bin/lynx");
    Page(2)->cmdCancel->click();
    EXPECT_TRUE(OpenPages().empty());
    EXPECT_EQ(program->module1.WebBrowserPath, "/usr/bin/lynx");

    WizardPage::ShowPage(*program, 2);
    Box(Page(2))->setText(" ");
    Page(2)->close();                                // the title-bar close box
    EXPECT_EQ(program->module1.WebBrowserPath, " "); // blanks are not empty

    program->module1.EmailClientPath = "/usr/bin/mutt";
    WizardPage::ShowPage(*program, 4);
    Box(Page(4))->clear();
    Page(4)->cmdBack->click();
    EXPECT_EQ(OpenPages(), std::vector<int>{3});
    EXPECT_EQ(program->module1.EmailClientPath, "/usr/bin/mutt");
}

TEST_F(Wizard, NextThenBackShowsThePageAgainWithTheTypedPath) {
    program->module1.WebBrowserPath = "old";
    WizardPage::ShowPage(*program, 2);
    Box(Page(2))->setText("/usr/bin/typed");
    Page(2)->cmdNext->click();
    // The old page gives up its place at once, before it is deleted.
    EXPECT_EQ(Page(2), nullptr);
    Page(3)->cmdBack->click();
    EXPECT_EQ(OpenPages(), std::vector<int>{2});
    EXPECT_EQ(Box(Page(2))->text(), "/usr/bin/typed");
}

TEST_F(Wizard, ShowingAnOpenPageOnlyBringsItToTheFront) {
    program->module1.EmailClientPath = "stored";
    WizardPage* page = WizardPage::ShowPage(*program, 4);
    Box(page)->setText("being typed");
    program->module1.EmailClientPath = "changed meanwhile";
    // Page 5's Back onto the open page 4 neither builds nor refills it.
    WizardPage::ShowPage(*program, 5)->cmdBack->click();
    EXPECT_EQ(Page(4), page);
    EXPECT_EQ(Box(page)->text(), "being typed");
    EXPECT_EQ(OpenPages(), std::vector<int>{4});
}

TEST_F(Wizard, ExecuteHandsTheWholeTextOverUnchangedMovesOnAndClosesThePageUnlessEmpty) {
    const QString commandLine = "/opt/My Browser/browser --new-window https://neocities.org";
    WizardPage::ShowPage(*program, 2);
    qobject_cast<WizardPathPage*>(Page(2))->cmdExec->click(); // an empty box: nothing happens
    EXPECT_EQ(OpenPages(), std::vector<int>{2});
    Box(Page(2))->setText(commandLine);
    qobject_cast<WizardPathPage*>(Page(2))->cmdExec->click();
    ASSERT_EQ(services.count("Launch"), 1);
    EXPECT_EQ(services.callsOf("Launch")[0].text, commandLine);
    EXPECT_EQ(services.count("MsgBox"), 0);
    EXPECT_EQ(OpenPages(), std::vector<int>{3});
    EXPECT_EQ(program->module1.WebBrowserPath, commandLine);
}

TEST_F(Wizard, AProgramThatCannotStartIsReportedAndTheWizardMovesOn) {
    services.launchAnswers = {false};
    WizardPage::ShowPage(*program, 4);
    Box(Page(4))->setText("/no/such/mailer -compose");
    qobject_cast<WizardPathPage*>(Page(4))->cmdExec->click();
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Kelto");
    EXPECT_TRUE(boxes[0].text.contains("/no/such/mailer -compose"));
    EXPECT_TRUE(boxes[0].text.contains(services.launchError));
    EXPECT_EQ(OpenPages(), std::vector<int>{5});
    EXPECT_EQ(program->module1.EmailClientPath, "/no/such/mailer -compose");
}

TEST_F(Wizard, APathPickedWithBrowseIsStoredOnlyWhenThePageCloses) {
    program->module1.FTPClientPath = "before";
    services.fileAnswers = {"/usr/bin/gftp"};
    auto* page = qobject_cast<WizardPathPage*>(WizardPage::ShowPage(*program, 3));
    page->cmdBrowse->click();
    EXPECT_EQ(services.callsOf("ShowOpen").at(0).title, "Browse for FTP Client");
    EXPECT_EQ(page->PathBox->text(), "/usr/bin/gftp");
    EXPECT_EQ(program->module1.FTPClientPath, "before");
    page->close();
    EXPECT_EQ(program->module1.FTPClientPath, "/usr/bin/gftp");
}

TEST_F(Wizard, PagesShareSizeAndButtonPlacesAndHaveNoCancelButton) {
    WizardPage* first = WizardPage::ShowPage(*program, 1);
    WizardPage* last = WizardPage::ShowPage(*program, 5);
    EXPECT_EQ(last->cmdNext, nullptr);
    EXPECT_EQ(last->cmdCancel->text(), "Finish");
    for (int n = 2; n <= 4; ++n) {
        WizardPage* page = WizardPage::ShowPage(*program, n);
        EXPECT_EQ(page->size(), first->size());
        EXPECT_EQ(page->minimumSize(), page->maximumSize());
        EXPECT_EQ(page->cmdNext->geometry(), first->cmdNext->geometry());
        EXPECT_EQ(page->cmdCancel->geometry(), first->cmdCancel->geometry());
        EXPECT_EQ(page->cmdBack->geometry(), last->cmdBack->geometry());
    }
    // Esc closes nothing.
    QTest::keyClick(Page(3), Qt::Key_Escape);
    EXPECT_EQ(OpenPages(), (std::vector<int>{1, 2, 3, 4, 5}));
}

// Each page opens with the focus on its path box (pages 2 to 4) or on the button that goes
// forward; Enter there goes forward, and on the last page finishes. Enter on a button that has
// the focus presses that button, "< Back" included.
TEST_F(Wizard, EachPageOpensFocusedWhereEnterGoesForward) {
    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
        SCOPED_TRACE(n);
        WizardPage* page = WizardPage::ShowPage(*program, n);
        QApplication::processEvents();
        QWidget* expected =
            Box(page) ? static_cast<QWidget*>(Box(page))
                      : static_cast<QWidget*>(page->cmdNext ? page->cmdNext : page->cmdCancel);
        EXPECT_EQ(page->focusWidget(), expected);
        EXPECT_TRUE((page->cmdNext ? page->cmdNext : page->cmdCancel)->isDefault());
        if (page->cmdBack) {
            EXPECT_FALSE(page->cmdBack->isDefault());
        }
        QTest::keyClick(page->focusWidget(), Qt::Key_Return);
        Settle();
        EXPECT_EQ(OpenPages(),
                  n < WizardPage::LastPage ? std::vector<int>{n + 1} : std::vector<int>{});
        CloseWizard();
    }
    // Through the whole wizard with Enter alone, typed paths and all: nothing is started.
    program->module1.WebBrowserPath = "/usr/bin/firefox";
    WizardPage::ShowPage(*program, 1);
    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
        ASSERT_EQ(OpenPages(), std::vector<int>{n});
        QTest::keyClick(Page(n)->focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        Settle();
    }
    EXPECT_TRUE(OpenPages().empty());
    EXPECT_EQ(services.count("Launch"), 0);

    WizardPage::ShowPage(*program, 3)->cmdBack->setFocus();
    QTest::keyClick(Page(3)->cmdBack, Qt::Key_Return);
    Settle();
    EXPECT_EQ(OpenPages(), std::vector<int>{2});
}

TEST_F(Wizard, AnOpenPageOutlivesTheMainWindowAndKeepsWorking) {
    main->mnuBuildUpload_Click();
    Page(1)->cmdNext->click();
    main->close();
    delete main.data();
    Settle();
    ASSERT_NE(Page(2), nullptr);
    EXPECT_TRUE(Page(2)->isVisible());
    EXPECT_TRUE(Page(2)->testAttribute(Qt::WA_QuitOnClose));
    Box(Page(2))->setText("/usr/bin/late");
    services.launchAnswers = {false}; // the failure message has no main window to lean on
    qobject_cast<WizardPathPage*>(Page(2))->cmdExec->click();
    EXPECT_EQ(services.count("MsgBox"), 1);
    EXPECT_EQ(OpenPages(), std::vector<int>{3});
    EXPECT_EQ(program->module1.WebBrowserPath, "/usr/bin/late");
}

TEST_F(Wizard, PathsSetInOptionsOrInTheWizardReachTheSettingsStoreAtExit) {
    WithOptions([](frmOptions& d) {
        d.txtftppath->setText("/usr/bin/lftp -u mod");
        d.txtEmail->setText("/usr/bin/mutt");
        d.cmdOK->click();
    });
    WizardPage::ShowPage(*program, 2);
    Box(Page(2))->setText("/opt/My Browser/browser");
    Page(2)->cmdCancel->click();
    // Nothing is written before the main window closes.
    EXPECT_EQ(SettingsStore::GetSetting("Kelto", "Settings", "webPath", "unset"), "unset");
    CloseProgram();
    EXPECT_EQ(SettingsStore::GetSetting("Kelto", "Settings", "ftpPath", ""),
              "/usr/bin/lftp -u mod");
    EXPECT_EQ(SettingsStore::GetSetting("Kelto", "Settings", "webPath", ""),
              "/opt/My Browser/browser");
    EXPECT_EQ(SettingsStore::GetSetting("Kelto", "Settings", "emaPath", ""), "/usr/bin/mutt");
}
