// Child windows in the main window at its first-run size: every new one fits the client area
// with its title bar inside it, the windows of fixed size show their lists whole, and Tile and
// Cascade leave every source window usable. ctest runs these at 96 DPI and again at 144 DPI
// (scale 1.5).
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"
#include "platform/Twips.h"
#include "support/ProgramFixture.h"
#include "workspace/BuildScript.h"
#include "workspace/frmAddDir.h"
#include "workspace/frmBrows.h"
#include "workspace/frmBuild.h"

namespace {

class ChildFit : public ProgramFixture {
protected:
    QRect Client() const { return QRect(QPoint(0, 0), main->mdiArea->contentsRect().size()); }

    // The caption bar, with the frame above it: the part of the window above its contents.
    static QRect TitleBar(const QMdiSubWindow* child) {
        return QRect(child->pos(), QSize(child->width(), child->contentsRect().top()));
    }

    void ExpectTitleBarInside(const QMdiSubWindow* child) const {
        EXPECT_TRUE(Client().contains(TitleBar(child)))
            << child->windowTitle().toStdString() << " at " << child->x() << "," << child->y()
            << " " << child->width() << "x" << child->height() << " in " << Client().width() << "x"
            << Client().height();
    }

    // Every list, box and button of a window lies whole inside the window's contents.
    static void ExpectControlsInside(const QMdiSubWindow* child) {
        const QRect contents = child->contentsRect();
        for (const QWidget* control : child->findChildren<QWidget*>()) {
            if (!qobject_cast<const QAbstractItemView*>(control) &&
                !qobject_cast<const QComboBox*>(control) &&
                !qobject_cast<const QPushButton*>(control))
                continue;
            if (!control->isVisibleTo(child) || control->window() != child->window() ||
                qobject_cast<const QAbstractItemView*>(control->parentWidget()))
                continue;
            const QRect inWindow(control->mapTo(child, QPoint(0, 0)), control->size());
            EXPECT_TRUE(contents.contains(inWindow))
                << child->windowTitle().toStdString() << ": " << control->objectName().toStdString()
                << " ends at " << inWindow.bottom() << ", the window's contents at "
                << contents.bottom();
        }
    }

    // The windows above child in the stacking order do not cover rect (in area coordinates).
    void ExpectUncovered(const QMdiSubWindow* child, const QRect& rect) const {
        const auto stacking = main->mdiArea->subWindowList(QMdiArea::StackingOrder);
        for (qsizetype i = stacking.indexOf(child) + 1; i < stacking.size(); ++i) {
            if (stacking[i]->isVisible()) {
                EXPECT_FALSE(stacking[i]->geometry().intersects(rect))
                    << stacking[i]->windowTitle().toStdString() << " covers "
                    << child->windowTitle().toStdString();
            }
        }
    }
};

TEST_F(ChildFit, NewChildWindowsFitTheFirstRunClientAreaCascaded) {
    ASSERT_EQ(main->frameGeometry().size(),
              QSize(TwipsToPixels(6500, DotsPerInch(nullptr, Qt::Horizontal)),
                    TwipsToPixels(6500, DotsPerInch(nullptr, Qt::Vertical))));
    QMdiSubWindow* browser = main->Brows;
    ASSERT_TRUE(browser);
    ExpectTitleBarInside(browser);
    EXPECT_TRUE(Client().contains(browser->geometry()));
    ExpectControlsInside(browser);

    // New windows, each a step down and right from the last, back at the top left before one
    // would leave the area: every one whole inside it.
    std::vector<QMdiSubWindow*> sources;
    for (int i = 0; i < 7; ++i) {
        main->NewDocument();
        sources.push_back(main->ActiveDocument());
        ASSERT_TRUE(sources.back());
        ExpectTitleBarInside(sources.back());
        EXPECT_TRUE(Client().contains(sources.back()->geometry()));
    }
    const QPoint step = sources[1]->pos() - sources[0]->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(sources[0]->pos(), browser->pos() + step);
    bool wrapped = false;
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const QPoint at = sources[i]->pos();
        wrapped = wrapped || at == QPoint(0, 0);
        EXPECT_TRUE(at == sources[i - 1]->pos() + step || at == QPoint(0, 0)) << i;
    }
    EXPECT_TRUE(wrapped);
    // Large enough to work in: a good part of the area.
    EXPECT_GE(sources[0]->width(), Client().width() / 2);
    EXPECT_GE(sources[0]->height(), Client().height() / 2);

    main->mnuFileNW_Click();
    ASSERT_TRUE(main->AddDir);
    ExpectTitleBarInside(main->AddDir);
    EXPECT_TRUE(Client().contains(main->AddDir->geometry()));
    ExpectControlsInside(main->AddDir);

    main->mnuEditFind_Click();
    ASSERT_TRUE(main->Find);
    ExpectTitleBarInside(main->Find);
    EXPECT_TRUE(Client().contains(main->Find->geometry()));
}

TEST_F(ChildFit, TheBuildWindowFitsTheFirstRunClientArea) {
    QTemporaryDir tree;
    const QString src = QDir(tree.path()).filePath("code");
    const BuildScript::Paths paths = BuildScript::PathsFor(src, BuildModules[1]);
    ASSERT_TRUE(QDir().mkpath(paths.moduleDirectory));
    QFile script(paths.templatePath);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("echo built\n");
    script.close();
    main->SourceDir = src;
    main->mnuBuildgameQVM_Click();
    frmBuild* window = main->BuildWindows[1];
    ASSERT_TRUE(window);
    ExpectTitleBarInside(window);
    EXPECT_TRUE(Client().contains(window->geometry()));
    ExpectControlsInside(window);
}

TEST_F(ChildFit, FixedSizeWindowsShowTheirListsWholeAtLargerFonts) {
    const QFont normal = QApplication::font();
    for (const double points : {11.0, 12.0}) {
        CloseProgram();
        QFont font = normal;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        StartProgram();
        SCOPED_TRACE(points);
        ExpectControlsInside(main->Brows);
        main->mnuFileNW_Click();
        ExpectControlsInside(main->AddDir);
    }
    QApplication::setFont(normal);
}

TEST_F(ChildFit, TileAndCascadeLeaveEverySourceWindowUsable) {
    main->NewDocument();
    main->NewDocument();
    std::vector<frmDocument*> sources;
    for (QMdiSubWindow* child : main->mdiArea->subWindowList())
        if (auto* document = qobject_cast<frmDocument*>(child))
            sources.push_back(document);
    ASSERT_EQ(sources.size(), 2u);

    struct Arrangement {
        const char* name;
        void (frmMain::*command)();
        bool wholeUncovered; // tiled windows show whole; cascaded ones show their title bars
    };
    for (const Arrangement& arrangement :
         {Arrangement{"Tile Horizontal", &frmMain::mnuWindowTileHorizontal_Click, true},
          Arrangement{"Tile Vertical", &frmMain::mnuWindowTileVertical_Click, true},
          Arrangement{"Cascade", &frmMain::mnuWindowCascade_Click, false}}) {
        SCOPED_TRACE(arrangement.name);
        (main->*arrangement.command)();
        QApplication::processEvents();
        for (frmDocument* source : sources) {
            ExpectTitleBarInside(source);
            EXPECT_TRUE(Client().contains(source->geometry()));
            ExpectUncovered(source,
                            arrangement.wholeUncovered ? source->geometry() : TitleBar(source));
            // Room for a few lines of a few words.
            const QFontMetrics metrics(source->code->font());
            EXPECT_GE(source->code->height(), 3 * metrics.lineSpacing());
            EXPECT_GE(source->code->width(), 12 * metrics.averageCharWidth());
        }
    }
}

} // namespace
