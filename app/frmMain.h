// The main window: a multiple-document window holding the source windows, the file browser,
// the Find window and the New Workspace dialog as child windows, with the menu bar, toolbar,
// status bar, the request timer Timer1 and the common dialog control. It owns the program's
// per-window state (workspace, search, colouring-while-typing flags, window numbering).
//
// This header is the program's table of contents: every handler the main window owns is
// declared here. Their bodies live with their subsystem:
//   app/frmMain.cpp                 construction, load, unload, close, Exit, Timer1, caret line
//   app/view_window_commands.cpp    toolbar dispatch, View and Window commands, Properties
//   app/help_commands.cpp           Help Contents, Search For Help On, About
//   documents/new_document.cpp      NewDocument, File > New
//   documents/file_commands.cpp     Open, OpenDocument, Save, Save As, Close
//   app/open_files.cpp              OpenFiles (the command line's files)
//   documents/edit_commands.cpp     Cut, Copy, Paste, Undo
//   documents/find_commands.cpp     Find, Find Again, the pending-search step
//   documents/print_commands.cpp    Print, Page Setup
//   documents/recovery_commands.cpp OfferRecovery
//   colouring/highlight.cpp         CPPHighlight, CPPColorCode, CPPColorWord
//   colouring/typing.cpp            KeyPressEvent
//   workspace/browser_commands.cpp  File Browser item, pending-file step, showing a directory
//   workspace/workspace_commands.cpp New, Open, Close Workspace, pending-directory step
//   workspace/build_commands.cpp    the three Build commands, Build All, ShowSourceLine, F4
//   workspace/run_commands.cpp      Run Mod, Run Settings, Package Mod
//   publishing/publishing_commands.cpp Tools > Options, View > Options, Publish Mod
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/CommonDialog.h"

class Program;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class RichTextBox;
class MdiActivation;
class WindowPlacement;
class BuildChain;
class frmAddDir;
class frmBrows;
class frmBuild;
class frmDocument;
class frmFind;
struct BuildModule;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Program& program);
    ~frmMain() override;

    Program& program;

    // Controls.
    QMdiArea* mdiArea = nullptr;
    QToolBar* tbToolBar = nullptr;
    QStatusBar* sbStatusBar = nullptr;
    QLabel* sbPanelStatus = nullptr; // panel 1, key "Status"
    QLabel* sbPanelDate = nullptr;   // panel 2
    QLabel* sbPanelTime = nullptr;   // panel 3
    QTimer* Timer1 = nullptr;
    CommonDialog dlgCommonDialog;
    std::vector<std::pair<QString, QPixmap>> imlToolbarIcons; // keyed, in their order
    std::vector<QAction*> tbButtons; // the 13 positions; separators have an empty key

    // Menus and their items, named as the menu table names them.
    QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuBuild = nullptr, *mnuView = nullptr,
          *mnuTools = nullptr, *mnuWindow = nullptr, *mnuHelp = nullptr;
    QAction *mnuFileNew = nullptr, *mnuFileOpen = nullptr, *mnuFileClose = nullptr,
            *mnuFileBar0 = nullptr, *mnuFileNW = nullptr, *mnuFileOW = nullptr,
            *mnuFileCW = nullptr, *mnuFileBar6 = nullptr, *mnuFileSave = nullptr,
            *mnuFileSaveAs = nullptr, *mnuFileSaveAll = nullptr, *mnuFileBar1 = nullptr,
            *mnuFileProperties = nullptr, *mnuFileBar2 = nullptr, *mnuFilePageSetup = nullptr,
            *mnuFilePrintPreview = nullptr, *mnuFilePrint = nullptr, *mnuFileBar3 = nullptr,
            *mnuFileSend = nullptr, *mnuFileBar4 = nullptr, *mnuFileExit = nullptr;
    QAction *mnuEditUndo = nullptr, *mnuEditBar0 = nullptr, *mnuEditCut = nullptr,
            *mnuEditCopy = nullptr, *mnuEditPaste = nullptr, *mnuSep1 = nullptr,
            *mnuEditFind = nullptr, *mnuEditFA = nullptr;
    QAction *mnuBuildcgameQVM = nullptr, *mnuBuildgameQVM = nullptr, *mnuBuilduiQVM = nullptr,
            *mnuBuildAll = nullptr, *mnuBuildSep1 = nullptr, *mnuBuildRun = nullptr,
            *mnuBuildRunSettings = nullptr, *mnuBuildPackage = nullptr, *mnuBuildSep0 = nullptr,
            *mnuBuildUpload = nullptr;
    QAction *mnuViewToolbar = nullptr, *mnuViewStatusBar = nullptr, *mnuViewBar0 = nullptr,
            *mnuViewRefresh = nullptr, *mnuViewOptions = nullptr;
    QAction* mnuToolsOptions = nullptr;
    QAction *mnuWindowNewWindow = nullptr, *mnuWindowFile = nullptr, *mnuWindowBar0 = nullptr,
            *mnuWindowCascade = nullptr, *mnuWindowTileHorizontal = nullptr,
            *mnuWindowTileVertical = nullptr, *mnuWindowArrangeIcons = nullptr;
    QAction *mnuHelpContents = nullptr, *mnuHelpSearchForHelpOn = nullptr, *mnuHelpBar0 = nullptr,
            *mnuHelpAbout = nullptr;

    // Main window state.
    QString SourceDir;     // the loaded workspace's source directory; empty: none
    QString WorkspacePath; // the loaded workspace's file; empty: none, or not known
    QString LastFindText;  // text of the last search carried out
    std::int32_t LastFindPos = 0;
    std::int32_t DocumentCount = 0;
    std::int32_t CaretPos = 0;
    bool InDirective = false;
    bool InComment = false;

    // The shared child windows (one instance each, destroyed when closed).
    QPointer<frmBrows> Brows;
    QPointer<frmFind> Find;
    QPointer<frmAddDir> AddDir;

    // The active child window, or none; the source window among them, or none.
    QMdiSubWindow* ActiveForm() const;
    frmDocument* ActiveDocument() const;
    // The active source window's control; throws RuntimeError 91 when the active child is not
    // a source window or there is none.
    RichTextBox& ActiveCode() const;
    bool ActiveIsBrowser() const;
    // The file of the source window the user works in: the active one, or the one active
    // before a new empty untitled window; empty when that window has no file.
    QString WorkingFile() const;
    // Shows a child window in the multiple-document area and makes it the active child; a
    // child new to the area is placed first (PlaceNewChild).
    void ShowChild(QMdiSubWindow* child);
    // Gives a child that has just entered the area a size and place that fit the client area,
    // a cascade step down and right from the last one placed: a source window the platform's
    // default size, a window of fixed size the size of its laid-out content.
    void PlaceNewChild(QMdiSubWindow* child);

    // Start-up and shutdown.
    void MDIForm_Load();
    void MDIForm_Unload();
    void SetFlatToolbar(QToolBar* aToolbar);
    void mnuFileExit_Click();
    // The end no one can be asked about: the system or the session ends the program (SIGTERM,
    // SIGHUP). Sets EndingWithoutQuestions(), writes the recovery copy of every unsaved source
    // window now (they stay for the next start, which offers them back), closes every other
    // window, and saves the settings. A window that runs a process (a build, the game engine)
    // honours the flag in its closeEvent: it ends the process without asking and has ended it
    // when closeEvent returns. The caller then ends the program at once: nothing waits for an
    // event loop, so a question already showing can answer nothing.
    void EndWithoutQuestions();
    bool EndingWithoutQuestions() const { return endingWithoutQuestions; }

    // Request timer.
    void Timer1_Timer();
    void CaretDisplayStep();

    // Toolbar, View and Window.
    void tbToolBar_ButtonClick(const QString& buttonKey);
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void Arrange(int arrangement); // 0 cascade, 1 tile horizontal, 2 tile vertical, 3 icons
    void mnuFileProperties_Click();

    // Help and About.
    void mnuHelpContents_Click();
    void mnuHelpSearchForHelpOn_Click();
    void ShowHelp(std::uint32_t command);
    void mnuHelpAbout_Click();

    // Source windows and file commands.
    void NewDocument();
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void OpenDocument(const QString& path);
    // Files named on the command line or handed over by a second start: a workspace file as
    // Open Workspace opens it, any other file as OpenDocument, in the order given.
    void OpenFiles(const QStringList& paths);
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileClose_Click();
    // Offers back the unsaved windows of a run that did not end normally (one question).
    void OfferRecovery();

    // Edit commands.
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditUndo_Click();

    // Find.
    void mnuEditFind_Click();
    void mnuEditFA_Click();
    void PendingSearchStep();

    // Printing.
    void mnuFilePrint_Click();
    void mnuFilePageSetup_Click();

    // Colouring.
    void CPPHighlight();
    void CPPColorCode(std::int32_t& startchar, std::int32_t& endchar);
    void CPPColorWord(const QString& word, std::int32_t first, std::int32_t last);
    std::int16_t KeyPressEvent(std::int16_t& KeyAscii);

    // File browser and workspace.
    void mnuWindowFile_Click();
    void ShowFileBrowser();
    void ShowInBrowser(const QString& directory);
    void PendingOpenFileStep();
    void mnuFileNW_Click();
    void mnuFileOW_Click();
    // Open Workspace after its dialog: the workspace file's directory becomes SourceDir.
    void OpenWorkspaceFile(const QString& fileName);
    void mnuFileCW_Click();
    void PendingSourceDirStep();

    // Build.
    void mnuBuildcgameQVM_Click();
    void mnuBuildgameQVM_Click();
    void mnuBuilduiQVM_Click();
    // Builds a module in its build window: the window, or none when nothing was started (the
    // user has been told why, or chose to keep the build already running).
    frmBuild* Build(const BuildModule& module);
    // The build output window of each module, in BuildModules' order; none until it is used.
    std::array<QPointer<frmBuild>, 3> BuildWindows;
    // game, cgame and ui in turn, stopping at the first that fails.
    void mnuBuildAll_Click();
    // Builds these modules in turn, then runs `then`; replaces a chain still under way.
    void BuildInTurn(std::vector<BuildModule> modules, std::function<void()> then);
    QPointer<BuildChain> Chain; // the builds under way for Build All, Run Mod or Package Mod

    // Run Mod (F5), its settings, Package Mod.
    void mnuBuildRun_Click();
    void mnuBuildRunSettings_Click();
    void mnuBuildPackage_Click();
    // The engine's output window; none until the mod has run.
    QPointer<frmBuild> EngineWindow;
    // Shows a file in a source window (the one already showing it, or a new one made as
    // File > Open makes it) with its line (1-based) selected; false when it could not be read.
    bool ShowSourceLine(const QString& path, int line);
    // F4: the next message of the build window used last.
    void NextBuildMessage();

    // Options and publishing.
    void mnuToolsOptions_Click();
    void mnuViewOptions_Click();
    void mnuBuildUpload_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void RebuildWindowList();
    void UpdateClock();

    QTimer* clockTimer = nullptr;            // keeps the date and time panels current
    std::vector<QAction*> windowListActions; // the Window menu's entries for open children
    MdiActivation* activation = nullptr;     // which child becomes active as another closes
    WindowPlacement* placement = nullptr;    // the outer rectangle kept in the settings store
    QPointer<QMdiSubWindow> lastPlaced;      // the child PlaceNewChild placed last
    bool endingWithoutQuestions = false;
};
