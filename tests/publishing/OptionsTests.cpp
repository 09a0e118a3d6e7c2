// The options dialog: what it opens with, what OK, Apply, Cancel and Browse store, its keys.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "PublishingFixture.h"

namespace {
void SetPaths(Module1& m, const QString& ftp, const QString& web, const QString& email) {
    m.FTPClientPath = ftp;
    m.WebBrowserPath = web;
    m.EmailClientPath = email;
}
} // namespace

using OptionsDialog = PublishingFixture;

TEST_F(OptionsDialog, OpensModalOverTheMainWindowWithTheCurrentPathsAndOKFocused) {
    SetPaths(program->module1, "/usr/bin/ftp", "/usr/bin/firefox --new-window", "/usr/bin/mutt");
    bool ran = false;
    WithOptions([&](frmOptions& d) {
        ran = true;
        EXPECT_EQ(d.windowTitle(), "Options");
        EXPECT_EQ(d.parentWidget(), main.data());
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.txtftppath->text(), "/usr/bin/ftp");
        EXPECT_EQ(d.txtWeb->text(), "/usr/bin/firefox --new-window");
        EXPECT_EQ(d.txtEmail->text(), "/usr/bin/mutt");
        EXPECT_EQ(d.focusWidget(), d.cmdOK);
        EXPECT_FALSE(d.windowFlags() &
                     (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(d.minimumSize(), d.maximumSize()); // fixed border
        d.cmdCancel->click();
    });
    EXPECT_TRUE(ran);
    ASSERT_EQ(services.count("RunModal"), 1);
    EXPECT_EQ(services.callsOf("RunModal")[0].extra, "frmOptions");
}

TEST_F(OptionsDialog, CancelEscAndTheCloseBoxStoreNothingAndReopeningShowsTheOldValues) {
    SetPaths(program->module1, "ftp-old", "web-old", "mail-old");
    const std::function<void(frmOptions&)> ways[] = {
        [](frmOptions& d) { d.cmdCancel->click(); },
        [](frmOptions& d) { QTest::keyClick(&d, Qt::Key_Escape); },
        [](frmOptions& d) { d.close(); },
    };
    for (const auto& closeIt : ways) {
        WithOptions([&](frmOptions& d) {
            d.txtftppath->setText("ftp-new");
            d.txtWeb->setText("web-new");
            d.txtEmail->clear();
            closeIt(d);
            EXPECT_FALSE(d.isVisible());
            EXPECT_EQ(d.result(), QDialog::Rejected);
        });
        EXPECT_EQ(program->module1.FTPClientPath, "ftp-old");
        EXPECT_EQ(program->module1.WebBrowserPath, "web-old");
        EXPECT_EQ(program->module1.EmailClientPath, "mail-old");
    }
    WithOptions([](frmOptions& d) {
        EXPECT_EQ(d.txtftppath->text(), "ftp-old");
        d.cmdCancel->click();
    });
}

TEST_F(OptionsDialog, ApplyStoresAtOnceAndStaysOpenAndALaterCancelKeepsTheAppliedValues) {
    SetPaths(program->module1, "a", "b", "c");
    WithOptions([&](frmOptions& d) {
        d.txtftppath->setText("/opt/ftp client/ftp");
        d.txtWeb->setText("   ");
        d.cmdApply->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(program->module1.FTPClientPath, "/opt/ftp client/ftp");
        EXPECT_EQ(program->module1.WebBrowserPath, "   ");
        d.txtEmail->setText("not applied");
        d.cmdCancel->click();
    });
    EXPECT_EQ(program->module1.FTPClientPath, "/opt/ftp client/ftp");
    EXPECT_EQ(program->module1.WebBrowserPath, "   ");
    EXPECT_EQ(program->module1.EmailClientPath, "c");
}

TEST_F(OptionsDialog, OKWithAnEmptiedBoxEmptiesThatPathAndTheWizardPageOpensEmpty) {
    SetPaths(program->module1, "ftp", "web", "mail");
    WithOptions([](frmOptions& d) {
        d.txtWeb->clear();
        d.txtEmail->setText("/usr/bin/thunderbird");
        d.cmdOK->click();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(program->module1.FTPClientPath, "ftp");
    EXPECT_EQ(program->module1.WebBrowserPath, "");
    EXPECT_EQ(program->module1.EmailClientPath, "/usr/bin/thunderbird");
    auto* page = qobject_cast<frmMP2*>(WizardPage::ShowPage(*program, 2));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->txtWeb->text(), "");
}

TEST_F(OptionsDialog, EachBrowseButtonPicksIntoItsOwnRowAndACancelledPickKeepsTheBox) {
    SetPaths(program->module1, "ftp", "web", "mail");
    services.fileAnswers = {"/usr/bin/lftp", "", "/usr/bin/mutt"};
    WithOptions([](frmOptions& d) {
        d.cmdBrowse->click();
        d.cmdWBro->click(); // cancelled
        d.cmdEBro->click();
        EXPECT_EQ(d.txtftppath->text(), "/usr/bin/lftp");
        EXPECT_EQ(d.txtWeb->text(), "web");
        EXPECT_EQ(d.txtEmail->text(), "/usr/bin/mutt");
        d.cmdCancel->click(); // the chosen paths are discarded
    });
    const auto opens = services.callsOf("ShowOpen");
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].title, "Browse for FTP Client");
    EXPECT_EQ(opens[1].title, "Browse for Web Browser");
    EXPECT_EQ(opens[2].title, "Browse for Email Client");
    for (const auto& call : opens)
        EXPECT_EQ(call.filter, "Executables (*.exe)|*.exe");
    EXPECT_EQ(program->module1.FTPClientPath, "ftp");
    EXPECT_EQ(program->module1.EmailClientPath, "mail");
}

TEST_F(OptionsDialog, TabOrderRunsButtonsThenRowsAndEnterPressesOnlyTheFocusedButton) {
    SetPaths(program->module1, "ftp", "web", "mail");
    WithOptions([&](frmOptions& d) {
        std::vector<QWidget*> order;
        QWidget* w = d.cmdOK;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order.push_back(w);
            w = w->nextInFocusChain();
        } while (w != d.cmdOK);
        const std::vector<QWidget*> expected = {d.cmdOK,      d.cmdCancel, d.cmdApply,
                                                d.txtftppath, d.cmdBrowse, d.txtWeb,
                                                d.cmdWBro,    d.txtEmail,  d.cmdEBro};
        EXPECT_EQ(order, expected);

        for (QPushButton* b : d.findChildren<QPushButton*>())
            EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();

        // Enter in a box presses no button.
        d.txtWeb->setText("typed");
        d.txtWeb->setFocus();
        QTest::keyClick(d.txtWeb, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(program->module1.WebBrowserPath, "web");
        // Enter on the focused Apply presses Apply.
        d.cmdApply->setFocus();
        QTest::keyClick(d.cmdApply, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(program->module1.WebBrowserPath, "typed");
        // Enter on the focused Cancel closes without storing.
        d.txtWeb->setText("dropped");
        d.cmdCancel->setFocus();
        QTest::keyClick(d.cmdCancel, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(program->module1.WebBrowserPath, "typed");
}

TEST_F(OptionsDialog, ViewOptionsIsGreyedOutButWouldOpenTheSameDialog) {
    EXPECT_FALSE(main->mnuViewOptions->isEnabled());
    main->mnuViewOptions_Click();
    ASSERT_EQ(services.count("RunModal"), 1);
    EXPECT_EQ(services.callsOf("RunModal")[0].extra, "frmOptions");
}
