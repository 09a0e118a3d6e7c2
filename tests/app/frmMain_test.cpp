// The main window as it is built and loaded: menus, toolbar, status bar, the placement and
// paths kept in the settings store, the close sequence and the request timer.
#include <QAction>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "support/ProgramFixture.h"

namespace {

QString Setting(const char* key) {
    return SettingsStore::GetSetting("Kelto", "Settings", key, "<missing>");
}

QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(TwipsToPixels(left, DotsPerInch(nullptr, Qt::Horizontal)),
                 TwipsToPixels(top, DotsPerInch(nullptr, Qt::Vertical)),
                 TwipsToPixels(width, DotsPerInch(nullptr, Qt::Horizontal)),
                 TwipsToPixels(height, DotsPerInch(nullptr, Qt::Vertical)));
}

struct MenuRow {
    const char* name;
    const char* caption; // "-" for a separator
    const char* shortcut = "";
    bool enabled = true;
    bool checked = false;
};

// Every menu and item of the menu bar, in order.
const std::vector<std::pair<MenuRow, std::vector<MenuRow>>> MenuTable = {
    {{"mnuFile", "&File"},
     {{"mnuFileNew", "&New", "Ctrl+N"},
      {"mnuFileOpen", "&Open...", "Ctrl+O"},
      {"mnuFileClose", "&Close"},
      {"mnuFileBar0", "-"},
      {"mnuFileNW", "New Workspace..."},
      {"mnuFileOW", "Open Workspace..."},
      {"mnuFileCW", "Close Workspace"},
      {"mnuFileBar6", "-"},
      {"mnuFileSave", "&Save"},
      {"mnuFileSaveAs", "Save &As..."},
      {"mnuFileSaveAll", "Save A&ll", "", false},
      {"mnuFileBar1", "-"},
      {"mnuFileProperties", "Propert&ies", "", false},
      {"mnuFileBar2", "-"},
      {"mnuFilePageSetup", "Page Set&up..."},
      {"mnuFilePrintPreview", "Print Pre&view", "", false},
      {"mnuFilePrint", "&Print..."},
      {"mnuFileBar3", "-"},
      {"mnuFileSend", "Sen&d...", "", false},
      {"mnuFileBar4", "-"},
      {"mnuFileExit", "E&xit"}}},
    {{"mnuEdit", "&Edit"},
     {{"mnuEditUndo", "&Undo"},
      {"mnuEditBar0", "-"},
      {"mnuEditCut", "Cu&t           Ctrl+X"},
      {"mnuEditCopy", "&Copy        Ctrl+C"},
      {"mnuEditPaste", "&Paste       Ctrl+V"},
      {"mnuSep1", "-"},
      {"mnuEditFind", "&Find..."},
      {"mnuEditFA", "Find &Again", "F3"}}},
    {{"mnuBuild", "&Build"},
     {{"mnuBuildcgameQVM", "Build &cgame QVM"},
      {"mnuBuildgameQVM", "Build &game QVM"},
      {"mnuBuilduiQVM", "Build &ui QVM"},
      {"mnuBuildAll", "Build &All QVMs"},
      {"mnuBuildSep1", "-"},
      {"mnuBuildRun", "&Run Mod", "F5"},
      {"mnuBuildRunSettings", "Run &Settings..."},
      {"mnuBuildPackage", "Pac&kage Mod..."},
      {"mnuBuildSep0", "-"},
      {"mnuBuildUpload", "&Publish Mod..."}}},
    {{"mnuView", "&View"},
     {{"mnuViewToolbar", "&Toolbar", "", true, true},
      {"mnuViewStatusBar", "Status &Bar", "", true, true},
      {"mnuViewBar0", "-"},
      {"mnuViewRefresh", "&Refresh", "", false},
      {"mnuViewOptions", "&Options...", "", false}}},
    {{"mnuTools", "&Tools"}, {{"mnuToolsOptions", "&Options..."}}},
    {{"mnuWindow", "&Window"},
     {{"mnuWindowNewWindow", "&New Window"},
      {"mnuWindowFile", "&File Browser", "", true, true},
      {"mnuWindowBar0", "-"},
      {"mnuWindowCascade", "&Cascade"},
      {"mnuWindowTileHorizontal", "Tile &Horizontal"},
      {"mnuWindowTileVertical", "Tile &Vertical"},
      {"mnuWindowArrangeIcons", "&Arrange Icons"}}},
    {{"mnuHelp", "&Help"},
     {{"mnuHelpContents", "&Contents"},
      {"mnuHelpSearchForHelpOn", "&Search For Help On..."},
      {"mnuHelpBar0", "-"},
      {"mnuHelpAbout", "&About "}}},
};

} // namespace

using MainWindowTest = ProgramFixture;

TEST_F(MainWindowTest, MenuBarHoldsEveryItemWithItsCaptionShortcutAndState) {
    const QList<QAction*> menus = main->menuBar()->actions();
    ASSERT_EQ(menus.size(), qsizetype(MenuTable.size()));
    for (std::size_t m = 0; m < MenuTable.size(); ++m) {
        const auto& [menuRow, items] = MenuTable[m];
        QMenu* menu = menus[qsizetype(m)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), menuRow.name);
        EXPECT_EQ(menu->title(), menuRow.caption);
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), qsizetype(items.size())) << menuRow.name;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const MenuRow& row = items[i];
            QAction* action = actions[qsizetype(i)];
            SCOPED_TRACE(row.name);
            EXPECT_EQ(action->objectName(), row.name);
            if (QString(row.caption) == "-") {
                EXPECT_TRUE(action->isSeparator());
            } else {
                EXPECT_FALSE(action->isSeparator());
                EXPECT_EQ(action->text(), row.caption);
            }
            // Only the real shortcuts; nothing is taken from the captions' key names.
            EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), row.shortcut);
            EXPECT_EQ(action->shortcuts().size(), QString(row.shortcut).isEmpty() ? 0 : 1);
            EXPECT_EQ(action->isEnabled(), row.enabled);
            EXPECT_EQ(action->isChecked(), row.checked);
        }
    }
    EXPECT_EQ(main->mnuFileNew->objectName(), "mnuFileNew");
    EXPECT_EQ(main->mnuHelpAbout->text(), "&About ");
}

TEST_F(MainWindowTest, ToolbarAndImagesInTheirOrder) {
    const QStringList keys = {"New",  "Open",  "Save", "",     "Print", "",          "Cut",
                              "Copy", "Paste", "",     "Find", "",      "Properties"};
    ASSERT_EQ(main->tbButtons.size(), std::size_t(13));
    for (int i = 0; i < 13; ++i) {
        QAction* button = main->tbButtons[std::size_t(i)];
        EXPECT_EQ(button->data().toString(), keys[i]);
        EXPECT_EQ(button->isSeparator(), keys[i].isEmpty());
        if (!keys[i].isEmpty()) {
            EXPECT_EQ(button->toolTip(), keys[i]);
            EXPECT_FALSE(button->icon().isNull());
        }
    }
    EXPECT_EQ(main->tbToolBar->actions().size(), 13);

    const QStringList imageKeys = {"New", "Find", "Open",  "Save",      "Print",
                                   "Cut", "Copy", "Paste", "Properties"};
    ASSERT_EQ(main->imlToolbarIcons.size(), std::size_t(9));
    for (int i = 0; i < 9; ++i) {
        const auto& [key, pixmap] = main->imlToolbarIcons[std::size_t(i)];
        EXPECT_EQ(key, imageKeys[i]);
        EXPECT_EQ(pixmap.size(), QSize(16, 16));
        // The light grey background is transparent.
        EXPECT_EQ(qAlpha(pixmap.toImage().pixel(0, 0)), 0) << key.toStdString();
    }
    EXPECT_FALSE(main->tbToolBar->isMovable());
}

TEST_F(MainWindowTest, LoadStartsTimerPanelsAndClearedState) {
    EXPECT_EQ(main->windowTitle(), "Kelto");
    EXPECT_TRUE(timerStartedByLoad); // running at 100 ms; the fixture then stops it
    EXPECT_EQ(main->Timer1->interval(), 100);

    // Left to right: "Status" taking the width the others leave, then the date and the time
    // as the locale writes them short. The clock may have ticked on since the panels were set.
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    auto shown = [&](const QDateTime& at) {
        return QStringList{locale.toString(at.date(), QLocale::ShortFormat),
                           locale.toString(at.time(), QLocale::ShortFormat)};
    };
    const QStringList panels = {main->sbPanelDate->text(), main->sbPanelTime->text()};
    bool current = false;
    for (int back = 0; back <= 60 && !current; ++back)
        current = panels == shown(now.addSecs(-back));
    EXPECT_TRUE(current) << panels.join(" ").toStdString();
    EXPECT_EQ(main->sbPanelStatus->text(), "Status");
    const int y = main->sbPanelStatus->geometry().center().y();
    EXPECT_LT(main->sbPanelStatus->geometry().right(), main->sbPanelDate->geometry().left());
    EXPECT_LT(main->sbPanelDate->geometry().right(), main->sbPanelTime->geometry().left());
    EXPECT_EQ(main->sbPanelDate->geometry().center().y(), y);
    EXPECT_LT(main->sbPanelDate->geometry().left() - main->sbPanelStatus->geometry().right(),
              10); // no gap but the bar's spacing
    EXPECT_TRUE(main->tbToolBar->isVisible());
    EXPECT_TRUE(main->sbStatusBar->isVisible());

    // The colour values, the slots and the search state as load leaves them.
    EXPECT_EQ(program->colorCode.PlainColor, "0");
    EXPECT_EQ(program->colorCode.DirectiveColor, "16711680");
    EXPECT_EQ(program->colorCode.CommentColor, "32768");
    const Module1& m = program->module1;
    EXPECT_FALSE(m.KeyPending);
    EXPECT_EQ(
        QStringList({m.PendingOpenFile, m.PendingSourceDir, m.PendingFindText, main->SourceDir,
                     main->LastFindText, m.FTPClientPath, m.WebBrowserPath, m.EmailClientPath}),
        QStringList(8, QString()));
    EXPECT_EQ(main->LastFindPos, 0);
    // The file browser shows, active, with its menu item checked.
    EXPECT_TRUE(main->ActiveIsBrowser());
    EXPECT_TRUE(main->mnuWindowFile->isChecked());
}

TEST_F(MainWindowTest, FirstRunPlacementAndRestoredPlacementThroughARestart) {
    EXPECT_EQ(main->frameGeometry(), TwipsRect(1000, 1000, 6500, 6500));

    main->setGeometry(120, 90, 700, 500);
    QApplication::processEvents();
    const QRect outer = main->frameGeometry(); // frame included
    program->module1.WebBrowserPath = "/usr/bin/firefox --new-window";
    CloseProgram();
    EXPECT_EQ(Setting("MainLeft"),
              QString::number(PixelsToTwips(outer.left(), DotsPerInch(nullptr, Qt::Horizontal))));
    EXPECT_EQ(Setting("MainTop"),
              QString::number(PixelsToTwips(outer.top(), DotsPerInch(nullptr, Qt::Vertical))));
    EXPECT_EQ(Setting("MainWidth"),
              QString::number(PixelsToTwips(outer.width(), DotsPerInch(nullptr, Qt::Horizontal))));
    EXPECT_EQ(Setting("MainHeight"),
              QString::number(PixelsToTwips(outer.height(), DotsPerInch(nullptr, Qt::Vertical))));
    EXPECT_EQ(Setting("webPath"), "/usr/bin/firefox --new-window");
    EXPECT_EQ(Setting("ftpPath"), "");

    StartProgram();
    EXPECT_EQ(main->frameGeometry(), outer);
    EXPECT_EQ(program->module1.WebBrowserPath, "/usr/bin/firefox --new-window");
}

TEST_F(MainWindowTest, PlacementOffTheScreenComesBackOnItAndNonNumbersFallBackToDefaults) {
    CloseProgram();
    SettingsStore::Clear("Kelto");
    SettingsStore::SaveSetting("Kelto", "Settings", "MainLeft", "40000"); // right of the screen
    SettingsStore::SaveSetting("Kelto", "Settings", "MainTop", "twelve");
    SettingsStore::SaveSetting("Kelto", "Settings", "MainWidth", "7500");
    SettingsStore::SaveSetting("Kelto", "Settings", "MainHeight", "-200");
    StartProgram();
    // No part of its title bar would show: it moves to the screen's right edge.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect stored = TwipsRect(40000, 1000, 7500, 6500);
    EXPECT_EQ(main->frameGeometry(),
              QRect(QPoint(screen.right() + 1 - stored.width(), stored.top()), stored.size()));
    CloseProgram();
    EXPECT_EQ(Setting("MainLeft"), "40000"); // what was mended is not written back

    // Partly off the screen, with some of its title bar on it: kept as stored.
    SettingsStore::SaveSetting("Kelto", "Settings", "MainLeft", "9000");
    StartProgram();
    EXPECT_EQ(main->frameGeometry(), TwipsRect(9000, 1000, 7500, 6500));
}

TEST_F(MainWindowTest, MinimisedCloseKeepsPlacementAndWritesPaths) {
    CloseProgram();
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        SettingsStore::SaveSetting("Kelto", "Settings", key, "3000");
    StartProgram();
    program->module1.FTPClientPath = "/opt/ftp/client";
    program->module1.EmailClientPath = "mutt -s";
    main->showMinimized();
    ASSERT_TRUE(main->isMinimized());
    CloseProgram();
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        EXPECT_EQ(Setting(key), "3000") << key;
    EXPECT_EQ(Setting("ftpPath"), "/opt/ftp/client");
    EXPECT_EQ(Setting("emaPath"), "mutt -s");
    EXPECT_EQ(Setting("webPath"), "");
}

TEST_F(MainWindowTest, ExitClosesChildrenAskingFirstThenWritesSettings) {
    main->NewDocument();
    QPointer<frmDocument> document = main->ActiveDocument();
    ASSERT_TRUE(document);
    document->code_KeyDown(Qt::Key_Left, 0);
    services.messageAnswers.push_back(MsgAnswer::No);
    main->mnuFileExit_Click();
    QApplication::processEvents();
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_EQ(services.callsOf("MsgBox")[0].title, "Save Changes?");
    EXPECT_NE(Setting("MainLeft"), "<missing>");
    EXPECT_EQ(Setting("ftpPath"), "");
}

TEST_F(MainWindowTest, FailedSaveWhileClosingKeepsTheMainWindowOpen) {
    main->NewDocument();
    frmDocument* document = main->ActiveDocument();
    document->SetCaption("/nonexistent-kelto-dir/unsaved.c");
    document->code->SetText("int main;");
    document->code_KeyDown(Qt::Key_A, 0);
    services.messageAnswers.push_back(MsgAnswer::Yes);
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->ActiveDocument(), document);
    EXPECT_EQ(Setting("MainLeft"), "<missing>");      // the unload step did not run
    services.messageAnswers.push_back(MsgAnswer::No); // let the fixture close it
}

TEST_F(MainWindowTest, WindowMenuListsChildrenAndActivatesTheChosenOne) {
    main->NewDocument();
    main->NewDocument();
    emit main->mnuWindow->aboutToShow();
    QAction* firstEntry = nullptr;
    for (QAction* action : main->mnuWindow->actions()) {
        if (action->text().endsWith("Source 1")) {
            firstEntry = action;
            EXPECT_FALSE(action->isChecked());
        }
        if (action->text().endsWith("Source 2")) {
            EXPECT_TRUE(action->isChecked());
        }
    }
    ASSERT_NE(firstEntry, nullptr);
    firstEntry->trigger();
    EXPECT_EQ(main->ActiveDocument()->Caption(), "Source 1");
    // Rebuilding does not pile up entries.
    const qsizetype count = main->mnuWindow->actions().size();
    emit main->mnuWindow->aboutToShow();
    EXPECT_EQ(main->mnuWindow->actions().size(), count);
}

TEST_F(MainWindowTest, ActiveCodeWithoutASourceWindowIsNoObject) {
    ASSERT_EQ(main->ActiveDocument(), nullptr); // only the file browser is open
    try {
        main->ActiveCode();
        FAIL() << "no exception";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number, RuntimeError::NoObject);
    }
}

TEST_F(MainWindowTest, ClosingTheActiveChildActivatesTheOneBehindIt) {
    main->NewDocument();
    frmDocument* first = main->ActiveDocument();
    main->NewDocument();
    main->ActiveDocument()->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->ActiveDocument(), first);
}
