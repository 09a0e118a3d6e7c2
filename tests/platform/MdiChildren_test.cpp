// Which child of a multiple-document area becomes active as the active one closes: the one
// active before it, whatever order the children were made in.
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/MdiChildren.h"

namespace {

class MdiChildren : public ::testing::Test {
protected:
    void SetUp() override {
        area.resize(600, 400);
        area.show();
        for (int i = 0; i < 3; ++i) {
            auto* child = area.addSubWindow(new QWidget);
            child->setAttribute(Qt::WA_DeleteOnClose);
            activation->Watch(child);
            child->show();
            children.push_back(child);
        }
    }
    static void Settle() {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QMdiArea area;
    MdiActivation* activation = new MdiActivation(area);
    std::vector<QMdiSubWindow*> children;
};

TEST_F(MdiChildren, ClosingTheActiveChildReturnsToTheOneActiveBeforeIt) {
    activation->Activate(children[2]);
    activation->Activate(children[1]);
    activation->Activate(children[0]);
    EXPECT_EQ(MdiActivation::Of(&area), activation);
    EXPECT_EQ(activation->MostRecentFirst(),
              (std::vector<QMdiSubWindow*>{children[0], children[1], children[2]}));

    children[0]->close();
    Settle();
    EXPECT_EQ(area.currentSubWindow(), children[1]);
    children[1]->close();
    Settle();
    EXPECT_EQ(area.currentSubWindow(), children[2]);
    EXPECT_EQ(activation->MostRecentFirst(), std::vector<QMdiSubWindow*>{children[2]});
}

// A tool window closing asks for the return at once, before any event runs; a child that was
// not the active one changes nothing.
TEST_F(MdiChildren, TheReturnCanBeAskedForAtOnce) {
    activation->Activate(children[1]);
    activation->Activate(children[0]);
    activation->Activate(children[2]);
    children[0]->hide(); // closed and not active: nothing to return from
    activation->ReturnFrom(children[0]);
    EXPECT_EQ(area.currentSubWindow(), children[2]);

    QMdiSubWindow* tool = children[2];
    tool->setAttribute(Qt::WA_DeleteOnClose, false);
    tool->close();
    activation->ReturnFrom(tool);
    EXPECT_EQ(area.currentSubWindow(), children[1]);
    Settle();
    EXPECT_EQ(area.currentSubWindow(), children[1]);
}

// A child that asks a question before it closes, as a source window's save prompt does.
class AskingChild : public QMdiSubWindow {
protected:
    void closeEvent(QCloseEvent* event) override {
        QDialog question(window());
        QTimer::singleShot(150, &question, &QDialog::accept);
        question.exec();
        QMdiSubWindow::closeEvent(event);
    }
};

// While the question shows, the close is still under way; the return waits for its end.
TEST_F(MdiChildren, AChildThatAsksBeforeClosingStillHandsBack) {
    auto* asking = new AskingChild;
    asking->setWidget(new QWidget);
    asking->setAttribute(Qt::WA_DeleteOnClose);
    area.addSubWindow(asking);
    activation->Watch(asking);
    asking->show();
    for (QMdiSubWindow* child : {children[0], children[2], children[1]})
        activation->Activate(child);
    activation->Activate(asking);

    asking->close();
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(20);
        Settle();
    }
    EXPECT_EQ(area.currentSubWindow(), children[1]);
}

} // namespace
