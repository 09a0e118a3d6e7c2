// Every menu item and every toolbar button, chosen as the user chooses it (the menu item's
// action triggered, the toolbar button clicked), checked by what the command did: the dialog
// it asked for, the window it made, the state it changed, the message it showed. A menu item
// or button connected to the wrong command fails here, which calling the handlers cannot show.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "documents/frmDocument.h"
#include "documents/frmFind.h"
#include "platform/RichTextBox.h"
#include "support/ProgramFixture.h"
#include "workspace/frmAddDir.h"
#include "workspace/frmBrows.h"

namespace {

class Wiring : public ProgramFixture {
protected:
    // What one command does: the state it starts from, the platform services it calls (in
    // order), and what it leaves behind.
    struct Effect {
        std::function<void()> arrange;
        QStringList calls;
        std::function<void()> check;
    };
    // Where the user finds it: a menu and its item by their captions, or a toolbar button by
    // its text ("" as menu).
    struct Row {
        QString menu;
        QString item;
        const Effect& effect;
    };

    QAction* MenuItem(const QString& menuCaption, const QString& itemCaption) const {
        for (QAction* entry : main->menuBar()->actions())
            if (entry->menu() && entry->text() == menuCaption)
                for (QAction* action : entry->menu()->actions())
                    if (action->text() == itemCaption)
                        return action;
        return nullptr;
    }
    QToolButton* ToolbarButton(const QString& text) const {
        for (QAction* action : main->tbToolBar->actions())
            if (!action->isSeparator() && action->text() == text)
                return qobject_cast<QToolButton*>(main->tbToolBar->widgetForAction(action));
        return nullptr;
    }

    // Runs the row on a fresh program, as the user would choose it.
    void Choose(const Row& row) {
        if (row.effect.arrange)
            row.effect.arrange();
        services.calls.clear();
        if (row.menu.isEmpty()) {
            QToolButton* button = ToolbarButton(row.item);
            ASSERT_NE(button, nullptr);
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            QAction* action = MenuItem(row.menu, row.item);
            ASSERT_NE(action, nullptr);
            action->trigger();
        }
        QStringList kinds;
        for (const auto& call : services.calls)
            kinds.append(call.kind);
        EXPECT_EQ(kinds, row.effect.calls);
        row.effect.check();
    }

    int SourceWindows() const {
        int count = 0;
        for (QMdiSubWindow* child : main->mdiArea->subWindowList())
            count += qobject_cast<frmDocument*>(child) && child->isVisible() ? 1 : 0;
        return count;
    }
    QString Active() const { return main->ActiveForm() ? main->ActiveForm()->windowTitle() : ""; }
    // A source window holding "alpha beta" with "alpha" selected, and "clip" on the clipboard.
    void SelectionAndClipboard() {
        main->NewDocument();
        RichTextBox& code = *main->ActiveDocument()->code;
        code.SetText("alpha beta");
        code.SetSelStart(0);
        code.SetSelLength(5);
        QGuiApplication::clipboard()->setText("clip");
    }
    QString Text() const { return main->ActiveDocument()->code->Text(); }
    QString Clipboard() const { return QGuiApplication::clipboard()->text(); }
    QString Only(const char* kind, QString ScriptedServices::Call::*field) const {
        const auto calls = services.callsOf(kind);
        return calls.size() == 1 ? calls[0].*field : QString("<%1 calls>").arg(calls.size());
    }

    // Two source windows at odd places and a third minimised out of line, the browser closed.
    void ScatteredWindows() {
        main->resize(900, 700);
        main->Brows->close();
        for (int i = 0; i < 3; ++i)
            main->NewDocument();
        windows = main->mdiArea->subWindowList(QMdiArea::CreationOrder);
        windows[0]->showMinimized();
        windows[0]->move(300, 40);
        windows[1]->setGeometry(50, 60, 200, 150);
        windows[2]->setGeometry(70, 20, 300, 120);
        main->mdiArea->setActiveSubWindow(windows[2]);
        QApplication::processEvents();
    }
    QRect Client() const { return QRect(QPoint(0, 0), main->mdiArea->contentsRect().size()); }
    bool IconAtBottomLeft() const {
        return windows[0]->isMinimized() && windows[0]->x() == 0 &&
               windows[0]->geometry().bottom() == Client().bottom();
    }

    QList<QMdiSubWindow*> windows;
    QTemporaryDir workspace;
};

TEST_F(Wiring, EveryMenuItemAndToolbarButtonRunsItsOwnCommand) {
    const auto nothingChanges = [this] {
        EXPECT_EQ(main->mdiArea->subWindowList().size(), 1); // the file browser alone
        EXPECT_TRUE(main->ActiveIsBrowser());
    };
    const Effect newWindow{nullptr, {}, [this] {
                               EXPECT_EQ(SourceWindows(), 1);
                               EXPECT_EQ(Active(), "Source 1");
                           }};
    const Effect openDialog{nullptr, {"ShowOpen"}, [this] {
                                EXPECT_EQ(Only("ShowOpen", &ScriptedServices::Call::title), "Open");
                                EXPECT_EQ(Only("ShowOpen", &ScriptedServices::Call::filter),
                                          "All Files (*.*)|*.*");
                                EXPECT_EQ(Active(), "Source 1"); // made before the dialog shows
                            }};
    const Effect closeWindow{[this] { main->NewDocument(); },
                             {},
                             [this] {
                                 QApplication::processEvents();
                                 EXPECT_EQ(SourceWindows(), 0);
                             }};
    const Effect newWorkspace{nullptr, {}, [this] {
                                  ASSERT_TRUE(main->AddDir);
                                  EXPECT_EQ(main->ActiveForm(), main->AddDir);
                              }};
    const Effect openWorkspace{nullptr, {"ShowOpen"}, [this] {
                                   EXPECT_EQ(Only("ShowOpen", &ScriptedServices::Call::title),
                                             "Open Workspace");
                                   EXPECT_EQ(SourceWindows(), 0);
                               }};
    const Effect closeWorkspace{[this] { main->SourceDir = workspace.path(); },
                                {},
                                [this] { EXPECT_TRUE(main->SourceDir.isEmpty()); }};
    const Effect saveDialog{
        [this] { main->NewDocument(); },
        {"ShowSave"},
        [this] { EXPECT_EQ(Only("ShowSave", &ScriptedServices::Call::title), "Save"); }};
    const Effect saveAsDialog{
        [this] { main->NewDocument(); },
        {"ShowSave"},
        [this] { EXPECT_EQ(Only("ShowSave", &ScriptedServices::Call::title), "Save As"); }};
    const Effect disabled{nullptr, {}, nothingChanges};
    const Effect pageSetup{nullptr, {"ShowPrinter"}, [this] {
                               EXPECT_EQ(Only("ShowPrinter", &ScriptedServices::Call::title),
                                         "Page Setup");
                           }};
    const Effect print{
        [this] { main->NewDocument(); },
        {"ShowPrinter"},
        [this] { EXPECT_EQ(Only("ShowPrinter", &ScriptedServices::Call::title), "Print"); }};
    const Effect exitProgram{nullptr, {}, [this] { EXPECT_TRUE(!main || !main->isVisible()); }};
    const Effect undoPlaceholder{nullptr, {"MsgBox"}, [this] {
                                     EXPECT_EQ(Only("MsgBox", &ScriptedServices::Call::text),
                                               "Add 'mnuEditUndo_Click' code.");
                                 }};
    const Effect cut{[this] { SelectionAndClipboard(); },
                     {},
                     [this] {
                         EXPECT_EQ(Clipboard(), "alpha");
                         EXPECT_EQ(Text(), " beta");
                     }};
    const Effect copy{[this] { SelectionAndClipboard(); },
                      {},
                      [this] {
                          EXPECT_EQ(Clipboard(), "alpha");
                          EXPECT_EQ(Text(), "alpha beta");
                      }};
    const Effect paste{[this] { SelectionAndClipboard(); },
                       {},
                       [this] {
                           EXPECT_EQ(Clipboard(), "clip");
                           EXPECT_EQ(Text(), "clip beta");
                       }};
    const Effect findWindow{[this] { main->NewDocument(); },
                            {},
                            [this] {
                                ASSERT_TRUE(main->Find);
                                EXPECT_EQ(main->ActiveForm(), main->Find);
                            }};
    const Effect findAgain{[this] {
                               main->NewDocument();
                               main->ActiveDocument()->code->SetText("ab ab");
                               main->LastFindText = "ab";
                           },
                           {},
                           [this] {
                               EXPECT_EQ(main->LastFindPos, 3);
                               EXPECT_FALSE(main->Find);
                           }};
    // Each Build item looks for its own module's template in the workspace (none is there).
    auto build = [this](const QString& module) {
        return Effect{[this] { main->SourceDir = workspace.path(); },
                      {"MsgBox"},
                      [this, module] {
                          EXPECT_TRUE(
                              Only("MsgBox", &ScriptedServices::Call::text)
                                  .contains(QRegularExpression("[/\\\\]" + module + "bak\\.bat")))
                              << Only("MsgBox", &ScriptedServices::Call::text).toStdString();
                      }};
    };
    const Effect buildCgame = build("cgame"), buildGame = build("game"), buildUi = build("ui");
    const Effect buildAll = build("game"); // game first, and its missing template stops the rest
    // With no settings kept for the workspace, Run Mod and Run Settings both open the dialog.
    const Effect runSettings{
        [this] { main->SourceDir = workspace.path(); },
        {"RunModal"},
        [this] { EXPECT_EQ(Only("RunModal", &ScriptedServices::Call::extra), "frmRunSettings"); }};
    const Effect package{[this] { main->SourceDir = workspace.path(); },
                         {"MsgBox"},
                         [this] {
                             EXPECT_TRUE(Only("MsgBox", &ScriptedServices::Call::text)
                                             .startsWith("No module of the workspace has a build "
                                                         "template"));
                         }};
    const Effect publish{nullptr, {}, [this] {
                             QPointer<QWidget> page = program->WizardPages[1];
                             ASSERT_TRUE(page);
                             EXPECT_TRUE(page->isVisible());
                             delete page.data();
                         }};
    const Effect toolbarToggle{nullptr, {}, [this] {
                                   EXPECT_FALSE(main->tbToolBar->isVisible());
                                   EXPECT_FALSE(main->mnuViewToolbar->isChecked());
                                   EXPECT_TRUE(main->sbStatusBar->isVisible());
                               }};
    const Effect statusBarToggle{nullptr, {}, [this] {
                                     EXPECT_FALSE(main->sbStatusBar->isVisible());
                                     EXPECT_FALSE(main->mnuViewStatusBar->isChecked());
                                     EXPECT_TRUE(main->tbToolBar->isVisible());
                                 }};
    const Effect options{nullptr, {"RunModal"}, [this] {
                             EXPECT_EQ(Only("RunModal", &ScriptedServices::Call::extra),
                                       "frmOptions");
                         }};
    const Effect fileBrowser{nullptr, {}, [this] {
                                 EXPECT_FALSE(main->Brows);
                                 EXPECT_FALSE(main->mnuWindowFile->isChecked());
                             }};
    const Effect cascade{[this] { ScatteredWindows(); },
                         {},
                         [this] {
                             const QPoint step = windows[2]->pos() - windows[1]->pos();
                             EXPECT_EQ(windows[1]->pos(), QPoint(0, 0));
                             EXPECT_GT(step.x(), 0);
                             EXPECT_EQ(step.x(), step.y());
                             EXPECT_EQ(windows[1]->size(), windows[2]->size());
                             EXPECT_TRUE(IconAtBottomLeft());
                         }};
    const Effect tileHorizontal{[this] { ScatteredWindows(); },
                                {},
                                [this] {
                                    for (int i : {1, 2}) {
                                        EXPECT_EQ(windows[i]->x(), 0);
                                        EXPECT_EQ(windows[i]->width(), Client().width());
                                    }
                                    EXPECT_EQ(windows[2]->y(), 0); // the active one on top
                                    EXPECT_TRUE(IconAtBottomLeft());
                                }};
    const Effect tileVertical{[this] { ScatteredWindows(); },
                              {},
                              [this] {
                                  for (int i : {1, 2})
                                      EXPECT_EQ(windows[i]->y(), 0);
                                  EXPECT_EQ(windows[2]->x(), 0); // the active one leftmost
                                  EXPECT_EQ(windows[1]->x(), windows[2]->geometry().right() + 1);
                                  EXPECT_TRUE(IconAtBottomLeft());
                              }};
    const Effect arrangeIcons{[this] { ScatteredWindows(); },
                              {},
                              [this] {
                                  EXPECT_EQ(windows[1]->geometry(), QRect(50, 60, 200, 150));
                                  EXPECT_EQ(windows[2]->geometry(), QRect(70, 20, 300, 120));
                                  EXPECT_TRUE(IconAtBottomLeft());
                              }};
    auto help = [this](int command) {
        return Effect{[this] { program->App.HelpFile = "/usr/share/kelto/kelto.hlp"; },
                      {"WinHelp"},
                      [this, command] {
                          const auto calls = services.callsOf("WinHelp");
                          ASSERT_EQ(calls.size(), 1u);
                          EXPECT_EQ(calls[0].flags, command);
                      }};
    };
    const Effect helpContents = help(3), helpSearch = help(0x105);
    const Effect about{nullptr, {"RunModal"}, [this] {
                           EXPECT_EQ(Only("RunModal", &ScriptedServices::Call::extra), "frmAbout");
                       }};
    const Effect propertiesPlaceholder{nullptr, {"MsgBox"}, [this] {
                                           EXPECT_EQ(Only("MsgBox", &ScriptedServices::Call::text),
                                                     "Add 'mnuFileProperties_Click' code.");
                                       }};

    const std::vector<Row> rows = {
        {"&File", "&New", newWindow},
        {"&File", "&Open...", openDialog},
        {"&File", "&Close", closeWindow},
        {"&File", "New Workspace...", newWorkspace},
        {"&File", "Open Workspace...", openWorkspace},
        {"&File", "Close Workspace", closeWorkspace},
        {"&File", "&Save", saveDialog},
        {"&File", "Save &As...", saveAsDialog},
        {"&File", "Save A&ll", disabled},
        {"&File", "Propert&ies", disabled},
        {"&File", "Page Set&up...", pageSetup},
        {"&File", "Print Pre&view", disabled},
        {"&File", "&Print...", print},
        {"&File", "Sen&d...", disabled},
        {"&File", "E&xit", exitProgram},
        {"&Edit", "&Undo", undoPlaceholder},
        {"&Edit", "Cu&t           Ctrl+X", cut},
        {"&Edit", "&Copy        Ctrl+C", copy},
        {"&Edit", "&Paste       Ctrl+V", paste},
        {"&Edit", "&Find...", findWindow},
        {"&Edit", "Find &Again", findAgain},
        {"&Build", "Build &cgame QVM", buildCgame},
        {"&Build", "Build &game QVM", buildGame},
        {"&Build", "Build &ui QVM", buildUi},
        {"&Build", "Build &All QVMs", buildAll},
        {"&Build", "&Run Mod", runSettings},
        {"&Build", "Run &Settings...", runSettings},
        {"&Build", "Pac&kage Mod...", package},
        {"&Build", "&Publish Mod...", publish},
        {"&View", "&Toolbar", toolbarToggle},
        {"&View", "Status &Bar", statusBarToggle},
        {"&View", "&Refresh", disabled},
        {"&View", "&Options...", disabled},
        {"&Tools", "&Options...", options},
        {"&Window", "&New Window", newWindow},
        {"&Window", "&File Browser", fileBrowser},
        {"&Window", "&Cascade", cascade},
        {"&Window", "Tile &Horizontal", tileHorizontal},
        {"&Window", "Tile &Vertical", tileVertical},
        {"&Window", "&Arrange Icons", arrangeIcons},
        {"&Help", "&Contents", helpContents},
        {"&Help", "&Search For Help On...", helpSearch},
        {"&Help", "&About ", about},
        {"", "New", newWindow},
        {"", "Open", openDialog},
        {"", "Save", saveDialog},
        {"", "Print", print},
        {"", "Cut", cut},
        {"", "Copy", copy},
        {"", "Paste", paste},
        {"", "Find", findWindow},
        {"", "Properties", propertiesPlaceholder},
    };

    // Every item of the menu bar and every button of the toolbar has its row.
    int items = 0, buttons = 0;
    for (QAction* entry : main->menuBar()->actions())
        for (QAction* action : entry->menu()->actions())
            items += action->isSeparator() ? 0 : 1;
    for (QAction* action : main->tbToolBar->actions())
        buttons += action->isSeparator() ? 0 : 1;
    EXPECT_EQ(items + buttons, int(rows.size()));

    for (const Row& row : rows) {
        SCOPED_TRACE(
            ((row.menu.isEmpty() ? "toolbar" : row.menu) + " > " + row.item).toStdString());
        CloseProgram();
        SettingsStore::Clear("Kelto");
        services.calls.clear();
        StartProgram();
        windows.clear();
        Choose(row);
    }
}

// The two items that are created disabled still lead to their commands, should they be enabled.
TEST_F(Wiring, TheDisabledItemsKeepTheirCommands) {
    QAction* properties = MenuItem("&File", "Propert&ies");
    QAction* viewOptions = MenuItem("&View", "&Options...");
    ASSERT_TRUE(properties && viewOptions);
    properties->setEnabled(true);
    properties->trigger();
    viewOptions->setEnabled(true);
    viewOptions->trigger();
    ASSERT_EQ(services.calls.size(), 2u);
    EXPECT_EQ(services.calls[0].text, "Add 'mnuFileProperties_Click' code.");
    EXPECT_EQ(services.calls[1].extra, "frmOptions");
}

} // namespace
