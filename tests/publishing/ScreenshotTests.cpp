// The wizard's texts fit their pages, and (with KELTO_SCREENSHOT_DIR set) pictures of the
// options dialog and of every wizard page for the docs.
#include <QDir>
#include <QLabel>

#include "PublishingFixture.h"

namespace {
// A word-wrapped label shows all of its text when its height covers what its width needs.
void ExpectWholeText(const QLabel* label) {
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->height(), label->heightForWidth(label->width()))
        << label->window()->objectName().toStdString() << " " << label->objectName().toStdString();
}
} // namespace

using WizardLayout = PublishingFixture;

TEST_F(WizardLayout, EveryTextFitsItsPage) {
    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
        WizardPage* page = WizardPage::ShowPage(*program, n);
        QApplication::processEvents();
        ExpectWholeText(page->Label1);
        const QRect pageRect = page->rect();
        for (QWidget* child : page->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(page) || child->parentWidget() == page->Label1)
                continue;
            const QRect inPage(child->mapTo(page, QPoint(0, 0)), child->size());
            EXPECT_TRUE(pageRect.contains(inPage)) << n << " " << child->objectName().toStdString();
        }
        if (page->Label2) {
            ExpectWholeText(page->Label2);
            // The body text ends above whatever follows it.
            const QRect body(page->Label2->mapTo(page, QPoint(0, 0)), page->Label2->size());
            if (auto* pathPage = qobject_cast<WizardPathPage*>(page)) {
                const QRect exec(pathPage->cmdExec->mapTo(page, QPoint(0, 0)),
                                 pathPage->cmdExec->size());
                EXPECT_LE(body.bottom(), pathPage->PathBox->mapTo(page, QPoint(0, 0)).y());
                EXPECT_LE(exec.bottom(), page->Picture1->geometry().bottom());
            }
        }
    }
}

TEST_F(WizardLayout, Screenshots) {
    const QString folder = qEnvironmentVariable("KELTO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set KELTO_SCREENSHOT_DIR to write the pictures";
    ASSERT_TRUE(QDir().mkpath(folder));
    program->module1.FTPClientPath = "/usr/bin/filezilla";
    program->module1.WebBrowserPath = "/usr/bin/firefox --new-window";
    program->module1.EmailClientPath = "/usr/bin/thunderbird -compose";
    WithOptions([&](frmOptions& d) {
        QApplication::processEvents();
        EXPECT_TRUE(d.grab().save(folder + "/options.png"));
        d.cmdCancel->click();
    });
    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
        WizardPage* page = WizardPage::ShowPage(*program, n);
        QApplication::processEvents();
        EXPECT_TRUE(page->grab().save(QStringLiteral("%1/wizard-%2.png").arg(folder).arg(n)));
        page->close();
    }
}
