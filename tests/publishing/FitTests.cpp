// Every text of the wizard pages and the options dialog shows whole inside its window, at the
// default font, at 11 and 12 points (ctest runs these again at scale 1.5, as on a 144 DPI
// screen); a wizard page keeps its documented 500 x 314 as its least size.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "PublishingFixture.h"

namespace {

constexpr QSize DocumentedPageSize(500, 314);

// A window's labels, buttons and boxes: each inside the window, a word-wrapped label as tall as
// its text needs, any other as wide as its text.
void ExpectEveryTextInside(QWidget* window) {
    const QRect inside = window->rect();
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(window))
            continue;
        auto* label = qobject_cast<QLabel*>(control);
        auto* button = qobject_cast<QAbstractButton*>(control);
        auto* frame = qobject_cast<QGroupBox*>(control);
        if (!label && !button && !frame && !qobject_cast<QLineEdit*>(control))
            continue;
        const std::string name =
            window->objectName().toStdString() + " " + control->objectName().toStdString();
        const QRect inWindow(control->mapTo(window, QPoint(0, 0)), control->size());
        EXPECT_TRUE(inside.contains(inWindow)) << name;
        if (label && label->wordWrap()) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
        } else if (label || button) {
            EXPECT_GE(control->width(), control->minimumSizeHint().width()) << name;
        }
    }
}

class TextFit : public PublishingFixture {
protected:
    // Runs check at the default font, then at 11 and 12 points, the program restarted at each.
    void AtEveryFont(const std::function<void()>& check) {
        const QFont normal = QApplication::font();
        for (const double points : {0.0, 11.0, 12.0}) {
            SCOPED_TRACE(points == 0 ? std::string("default font") : std::to_string(points));
            QFont font = normal;
            if (points > 0)
                font.setPointSizeF(points);
            CloseWizard();
            CloseProgram();
            QApplication::setFont(font);
            StartProgram();
            check();
        }
        CloseWizard();
        QApplication::setFont(normal);
    }
};

TEST_F(TextFit, EveryWizardTextFitsItsPageAtEveryFont) {
    AtEveryFont([&] {
        QSize defaultSize;
        for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
            SCOPED_TRACE(n);
            WizardPage* page = WizardPage::ShowPage(*program, n);
            QApplication::processEvents();
            EXPECT_GE(page->width(), DocumentedPageSize.width());
            EXPECT_GE(page->height(), DocumentedPageSize.height());
            ExpectEveryTextInside(page);
            if (page->Label2) {
                // The body text ends above whatever follows it.
                const int bodyEnd =
                    page->Label2->mapTo(page, QPoint(0, page->Label2->height())).y();
                if (auto* pathPage = qobject_cast<WizardPathPage*>(page)) {
                    EXPECT_LE(bodyEnd, pathPage->PathBox->mapTo(page, QPoint(0, 0)).y());
                }
                EXPECT_LE(bodyEnd, page->cmdCancel->mapTo(page, QPoint(0, 0)).y());
            }
            page->close();
        }
    });
}

TEST_F(TextFit, AtTheDefaultFontAPageHasItsDocumentedSize) {
    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n)
        EXPECT_EQ(WizardPage::ShowPage(*program, n)->size(), DocumentedPageSize) << n;
}

TEST_F(TextFit, EveryOptionsTextFitsTheDialogAtEveryFont) {
    AtEveryFont([&] {
        WithOptions([](frmOptions& dialog) {
            QApplication::processEvents();
            ExpectEveryTextInside(&dialog);
            dialog.cmdCancel->click();
        });
    });
}

} // namespace
