// The toolbar dispatch, View > Toolbar and Status Bar, and the Window commands: what each
// button runs, the toggles, and where each arrangement puts the child windows.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QToolBar>

#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmBrows.h"

namespace {

class Toolbar : public ProgramFixture {};

TEST_F(Toolbar, NewAndNewWindowNumberOnFromFileNew) {
    main->mnuFileNew_Click();
    main->tbToolBar_ButtonClick("New");
    main->mnuWindowNewWindow_Click();
    main->tbToolBar_ButtonClick("New");
    QStringList captions;
    for (QMdiSubWindow* child : main->mdiArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* document = qobject_cast<frmDocument*>(child))
            captions << document->Caption();
    EXPECT_EQ(captions, (QStringList{"Source 1", "Source 2", "Source 3", "Source 4"}));
    EXPECT_EQ(main->ActiveForm()->windowTitle(), "Source 4");
}

TEST_F(Toolbar, KeysAreComparedExactly) {
    const int before = int(main->mdiArea->subWindowList().size());
    main->tbToolBar_ButtonClick("new");
    main->tbToolBar_ButtonClick("New ");
    main->tbToolBar_ButtonClick("");
    EXPECT_EQ(main->mdiArea->subWindowList().size(), before);
    EXPECT_TRUE(services.calls.empty());
}

TEST_F(Toolbar, ButtonsRunTheirCommands) {
    main->tbToolBar_ButtonClick("New");
    RichTextBox& code = *main->ActiveDocument()->code;
    code.SetText("alpha beta");
    code.SetSelStart(0);
    code.SetSelLength(5);
    main->tbToolBar_ButtonClick("Copy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "alpha");
    main->tbToolBar_ButtonClick("Cut");
    EXPECT_EQ(code.Text(), " beta");
    code.SetSelStart(5);
    main->tbToolBar_ButtonClick("Paste");
    EXPECT_EQ(code.Text(), " betaalpha");

    main->tbToolBar_ButtonClick("Open"); // the Open dialog, cancelled
    main->tbToolBar_ButtonClick("Save"); // an untitled window: the Save dialog, cancelled
    main->tbToolBar_ButtonClick("Print");
    ASSERT_EQ(services.callsOf("ShowOpen").size(), 1u);
    EXPECT_EQ(services.callsOf("ShowOpen")[0].title, "Open");
    EXPECT_EQ(services.count("ShowSave"), 1);
    EXPECT_EQ(services.count("ShowPrinter"), 1);

    main->tbToolBar_ButtonClick("Find");
    EXPECT_TRUE(main->Find);
    EXPECT_EQ(main->ActiveForm(), main->Find);
}

TEST_F(Toolbar, PropertiesShowsItsPlaceholderAlthoughTheMenuItemIsDisabled) {
    EXPECT_FALSE(main->mnuFileProperties->isEnabled());
    main->tbToolBar_ButtonClick("Properties");
    const auto boxes = services.callsOf("MsgBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Add 'mnuFileProperties_Click' code.");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::OK);
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(boxes[0].title, "Kelto");
}

TEST_F(Toolbar, EditAndFindButtonsDoNothingWhileTheFileBrowserIsActive) {
    main->NewDocument();
    RichTextBox& code = *main->ActiveDocument()->code;
    code.SetText("text");
    code.SetSelLength(4);
    QGuiApplication::clipboard()->setText("clip");
    main->mdiArea->setActiveSubWindow(main->Brows);
    for (const char* key : {"Cut", "Copy", "Paste", "Find"})
        main->tbToolBar_ButtonClick(key);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "clip");
    EXPECT_EQ(code.Text(), "text");
    EXPECT_FALSE(main->Find);
    EXPECT_TRUE(main->ActiveIsBrowser());
}

// A failure a command leaves unhandled (here the commands reaching for a source window when
// none is open) ends that command only; the program runs on with the next button.
TEST_F(Toolbar, TheToolbarRunsOnAfterAFailure) {
    main->mdiArea->closeAllSubWindows();
    QApplication::processEvents();
    for (const char* key : {"Cut", "Copy", "Paste", "Print", "Save"})
        main->tbToolBar_ButtonClick(key);
    main->tbToolBar_ButtonClick("New");
    EXPECT_TRUE(main->ActiveDocument());
}

class ViewCommands : public ProgramFixture {};

TEST_F(ViewCommands, ToolbarAndStatusBarToggleTwiceEachWay) {
    struct Item {
        QAction* action;
        QWidget* control;
        void (frmMain::*click)();
    };
    for (const Item item :
         {Item{main->mnuViewToolbar, main->tbToolBar, &frmMain::mnuViewToolbar_Click},
          Item{main->mnuViewStatusBar, main->sbStatusBar, &frmMain::mnuViewStatusBar_Click}}) {
        EXPECT_TRUE(item.action->isChecked());
        EXPECT_TRUE(item.control->isVisible());
        (main->*item.click)();
        EXPECT_FALSE(item.action->isChecked());
        EXPECT_FALSE(item.control->isVisible());
        (main->*item.click)();
        EXPECT_TRUE(item.action->isChecked());
        EXPECT_TRUE(item.control->isVisible());
    }
}

// Chosen from the menu, the checkable item flips its own mark first; the state still agrees.
TEST_F(ViewCommands, ChoosingTheMenuItemTogglesOnce) {
    main->mnuViewToolbar->trigger();
    EXPECT_FALSE(main->mnuViewToolbar->isChecked());
    EXPECT_FALSE(main->tbToolBar->isVisible());
    main->mnuViewStatusBar->trigger();
    main->mnuViewStatusBar->trigger();
    EXPECT_TRUE(main->mnuViewStatusBar->isChecked());
    EXPECT_TRUE(main->sbStatusBar->isVisible());
}

class WindowCommands : public ProgramFixture {
protected:
    // Three source windows and no file browser, on a main window of a known size.
    std::vector<QMdiSubWindow*> ThreeWindows() {
        main->resize(900, 700);
        main->Brows->close();
        QApplication::processEvents();
        std::vector<QMdiSubWindow*> windows;
        for (int i = 0; i < 3; ++i) {
            main->NewDocument();
            windows.push_back(main->ActiveForm());
        }
        QApplication::processEvents();
        return windows;
    }
    // The area the windows are arranged in: the whole area, as without scroll bars.
    QRect Client() const { return QRect(QPoint(0, 0), main->mdiArea->contentsRect().size()); }
};

TEST_F(WindowCommands, TileHorizontalStacksTheWindowsOverTheWholeArea) {
    auto windows = ThreeWindows();
    main->mnuWindowTileHorizontal_Click();
    // The active window on top, each as wide as the area, together exactly its height.
    std::vector<QRect> rects;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        rects.push_back((*it)->geometry());
    EXPECT_EQ(rects[0].top(), 0);
    for (size_t i = 0; i < rects.size(); ++i) {
        EXPECT_EQ(rects[i].left(), 0);
        EXPECT_EQ(rects[i].width(), Client().width());
        EXPECT_NEAR(rects[i].height(), Client().height() / 3, 1);
        if (i > 0) {
            EXPECT_EQ(rects[i].top(), rects[i - 1].bottom() + 1);
        }
    }
    EXPECT_EQ(rects.back().bottom(), Client().bottom());
}

TEST_F(WindowCommands, TileVerticalPutsTheWindowsSideBySide) {
    auto windows = ThreeWindows();
    main->mnuWindowTileVertical_Click();
    std::vector<QRect> rects;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        rects.push_back((*it)->geometry());
    EXPECT_EQ(rects[0].left(), 0);
    for (size_t i = 0; i < rects.size(); ++i) {
        EXPECT_EQ(rects[i].top(), 0);
        EXPECT_EQ(rects[i].height(), Client().height());
        EXPECT_NEAR(rects[i].width(), Client().width() / 3, 1);
        if (i > 0) {
            EXPECT_EQ(rects[i].left(), rects[i - 1].right() + 1);
        }
    }
    EXPECT_EQ(rects.back().right(), Client().right());
}

TEST_F(WindowCommands, CascadeOffsetsEachWindowDownAndRight) {
    auto windows = ThreeWindows();
    main->mnuWindowTileVertical_Click(); // start from a different arrangement
    main->mnuWindowCascade_Click();
    // The active window (the last made) in front, the first one at the back at the top left.
    const auto stacking = main->mdiArea->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacking.size(), 3);
    EXPECT_EQ(stacking.back(), windows[2]);
    EXPECT_EQ(windows[0]->pos(), QPoint(0, 0));
    const QPoint step = windows[1]->pos() - windows[0]->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(windows[2]->pos() - windows[1]->pos(), step);
    for (QMdiSubWindow* child : windows) {
        EXPECT_EQ(child->size(), windows[0]->size());
        EXPECT_TRUE(Client().contains(child->geometry()));
    }
    EXPECT_GE(windows[0]->width(), Client().width() * 2 / 3);
    EXPECT_GE(windows[0]->height(), Client().height() * 2 / 3);
}

TEST_F(WindowCommands, ArrangeIconsLinesUpMinimisedWindowsAlongTheBottom) {
    auto windows = ThreeWindows();
    windows[0]->showMinimized();
    windows[2]->showMinimized();
    windows[0]->move(300, 40); // icons scattered about
    windows[2]->move(10, 200);
    const QRect normal = windows[1]->geometry();
    main->mnuWindowArrangeIcons_Click();
    const QRect a = windows[2]->geometry(), b = windows[0]->geometry();
    EXPECT_EQ(a.bottom(), Client().bottom());
    EXPECT_EQ(b.bottom(), Client().bottom());
    EXPECT_EQ(std::min(a.left(), b.left()), 0);
    EXPECT_EQ(std::max(a.left(), b.left()), std::min(a.right(), b.right()) + 1);
    EXPECT_EQ(windows[1]->geometry(), normal); // a normal window stays where it is
}

TEST_F(WindowCommands, TilingLeavesTheRowOfIconsFree) {
    auto windows = ThreeWindows();
    windows[0]->showMinimized();
    main->mnuWindowTileHorizontal_Click();
    EXPECT_EQ(windows[0]->geometry().bottom(), Client().bottom());
    EXPECT_EQ(windows[1]->geometry().bottom() + 1, windows[0]->geometry().top());
    EXPECT_TRUE(windows[0]->isMinimized());
}

TEST_F(WindowCommands, ArrangementsCoverTheBrowserAndTheFindWindow) {
    main->resize(900, 700);
    main->NewDocument();
    main->mnuEditFind_Click();
    QApplication::processEvents();
    main->mnuWindowTileVertical_Click();
    // Find (active) leftmost, then the source window, then the file browser.
    EXPECT_EQ(main->Find->pos(), QPoint(0, 0));
    const int third = Client().width() / 3;
    int lefts[2] = {-1, -1};
    for (QMdiSubWindow* child : main->mdiArea->subWindowList()) {
        if (qobject_cast<frmDocument*>(child))
            lefts[0] = child->x();
        if (child == static_cast<QMdiSubWindow*>(main->Brows))
            lefts[1] = child->x();
    }
    EXPECT_NEAR(lefts[0], third, 1);
    // The browser keeps its fixed size and stays inside the area.
    const int browserWidth = main->Brows->width();
    EXPECT_NEAR(lefts[1], std::min(2 * third, Client().width() - browserWidth), 1);
}

TEST_F(WindowCommands, ArrangingNoWindowsDoesNothing) {
    main->mdiArea->closeAllSubWindows();
    QApplication::processEvents();
    for (int code = 0; code < 4; ++code)
        main->Arrange(code);
    EXPECT_TRUE(main->mdiArea->subWindowList().isEmpty());
    EXPECT_TRUE(services.calls.empty());
}

} // namespace
