// The main window's construction, load, unload and close, File > Exit, and the request timer
// Timer1 with the caret line display. The commands behind the menu items live with their
// subsystems (see frmMain.h).
#include "app/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/Program.h"
#include "app/ToolbarIcons.h"
#include "documents/file_commands.h"
#include "documents/frmDocument.h"
#include "platform/LiteralText.h"
#include "platform/MdiChildren.h"
#include "platform/RichTextBox.h"
#include "platform/RuntimeError.h"
#include "platform/Services.h"
#include "platform/SettingsStore.h"
#include "platform/WindowPlacement.h"
#include "workspace/frmBrows.h"

namespace {

const QString Section = QStringLiteral("Settings");

// The decimal text of a single-precision number, as the store keeps placements.
QString SingleText(double value) {
    return QString::number(double(float(value)), 'g', 7);
}

} // namespace

frmMain::frmMain(Program& program)
    : QMainWindow(nullptr), program(program), dlgCommonDialog(program.services, this) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(program.App.Title);
    setWindowIcon(ToolbarIcons::ProgramIcon());

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    // The system's application-workspace colour: the palette's dark shade behind the children.
    mdiArea->setBackground(palette().brush(QPalette::Dark));
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea);
    activation = new MdiActivation(*mdiArea);
    placement = new WindowPlacement(*this);

    // File dialogs start where the user is working: the active file's folder, else the last
    // folder chosen in this run, else the workspace.
    DialogFolders& folders = program.services.dialogFolders;
    folders = DialogFolders();
    folders.activeFile = [this] { return WorkingFile(); };
    folders.sourceDir = [this] { return SourceDir; };

    createMenus();
    createToolBar();
    createStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
}

frmMain::~frmMain() {
    // Wizard pages may outlive the main window; their dialogs no longer ask it.
    program.services.dialogFolders.activeFile = nullptr;
    program.services.dialogFolders.sourceDir = nullptr;
}

void frmMain::createMenus() {
    // One menu item: named as the menu table names it, its caption exactly as stored (no
    // shortcut is ever taken from the caption), connected to its handler.
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       void (frmMain::*handler)() = nullptr) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcutContext(Qt::WindowShortcut);
        menu->addAction(action);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto separator = [this](QMenu* menu, const char* name) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setSeparator(true);
        menu->addAction(action);
        return action;
    };
    auto menu = [this](const char* name, const QString& caption) {
        auto* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuFileNew = item(mnuFile, "mnuFileNew", QStringLiteral("&New"), &frmMain::mnuFileNew_Click);
    mnuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen =
        item(mnuFile, "mnuFileOpen", QStringLiteral("&Open..."), &frmMain::mnuFileOpen_Click);
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuFileClose =
        item(mnuFile, "mnuFileClose", QStringLiteral("&Close"), &frmMain::mnuFileClose_Click);
    mnuFileBar0 = separator(mnuFile, "mnuFileBar0");
    mnuFileNW =
        item(mnuFile, "mnuFileNW", QStringLiteral("New Workspace..."), &frmMain::mnuFileNW_Click);
    mnuFileOW =
        item(mnuFile, "mnuFileOW", QStringLiteral("Open Workspace..."), &frmMain::mnuFileOW_Click);
    mnuFileCW =
        item(mnuFile, "mnuFileCW", QStringLiteral("Close Workspace"), &frmMain::mnuFileCW_Click);
    mnuFileBar6 = separator(mnuFile, "mnuFileBar6");
    mnuFileSave =
        item(mnuFile, "mnuFileSave", QStringLiteral("&Save"), &frmMain::mnuFileSave_Click);
    mnuFileSaveAs = item(mnuFile, "mnuFileSaveAs", QStringLiteral("Save &As..."),
                         &frmMain::mnuFileSaveAs_Click);
    mnuFileSaveAll = item(mnuFile, "mnuFileSaveAll", QStringLiteral("Save A&ll"));
    mnuFileSaveAll->setEnabled(false);
    mnuFileBar1 = separator(mnuFile, "mnuFileBar1");
    mnuFileProperties = item(mnuFile, "mnuFileProperties", QStringLiteral("Propert&ies"),
                             &frmMain::mnuFileProperties_Click);
    mnuFileProperties->setEnabled(false);
    mnuFileBar2 = separator(mnuFile, "mnuFileBar2");
    mnuFilePageSetup = item(mnuFile, "mnuFilePageSetup", QStringLiteral("Page Set&up..."),
                            &frmMain::mnuFilePageSetup_Click);
    mnuFilePrintPreview = item(mnuFile, "mnuFilePrintPreview", QStringLiteral("Print Pre&view"));
    mnuFilePrintPreview->setEnabled(false);
    mnuFilePrint =
        item(mnuFile, "mnuFilePrint", QStringLiteral("&Print..."), &frmMain::mnuFilePrint_Click);
    mnuFileBar3 = separator(mnuFile, "mnuFileBar3");
    mnuFileSend = item(mnuFile, "mnuFileSend", QStringLiteral("Sen&d..."));
    mnuFileSend->setEnabled(false);
    mnuFileBar4 = separator(mnuFile, "mnuFileBar4");
    mnuFileExit =
        item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"), &frmMain::mnuFileExit_Click);

    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"));
    mnuEditUndo =
        item(mnuEdit, "mnuEditUndo", QStringLiteral("&Undo"), &frmMain::mnuEditUndo_Click);
    mnuEditBar0 = separator(mnuEdit, "mnuEditBar0");
    mnuEditCut = item(mnuEdit, "mnuEditCut", QStringLiteral("Cu&t           Ctrl+X"),
                      &frmMain::mnuEditCut_Click);
    mnuEditCopy = item(mnuEdit, "mnuEditCopy", QStringLiteral("&Copy        Ctrl+C"),
                       &frmMain::mnuEditCopy_Click);
    mnuEditPaste = item(mnuEdit, "mnuEditPaste", QStringLiteral("&Paste       Ctrl+V"),
                        &frmMain::mnuEditPaste_Click);
    mnuSep1 = separator(mnuEdit, "mnuSep1");
    mnuEditFind =
        item(mnuEdit, "mnuEditFind", QStringLiteral("&Find..."), &frmMain::mnuEditFind_Click);
    mnuEditFA =
        item(mnuEdit, "mnuEditFA", QStringLiteral("Find &Again"), &frmMain::mnuEditFA_Click);
    mnuEditFA->setShortcut(QKeySequence(Qt::Key_F3));

    mnuBuild = menu("mnuBuild", QStringLiteral("&Build"));
    mnuBuildcgameQVM = item(mnuBuild, "mnuBuildcgameQVM", QStringLiteral("Build &cgame QVM"),
                            &frmMain::mnuBuildcgameQVM_Click);
    mnuBuildgameQVM = item(mnuBuild, "mnuBuildgameQVM", QStringLiteral("Build &game QVM"),
                           &frmMain::mnuBuildgameQVM_Click);
    mnuBuilduiQVM = item(mnuBuild, "mnuBuilduiQVM", QStringLiteral("Build &ui QVM"),
                         &frmMain::mnuBuilduiQVM_Click);
    mnuBuildAll = item(mnuBuild, "mnuBuildAll", QStringLiteral("Build &All QVMs"),
                       &frmMain::mnuBuildAll_Click);
    mnuBuildSep1 = separator(mnuBuild, "mnuBuildSep1");
    mnuBuildRun =
        item(mnuBuild, "mnuBuildRun", QStringLiteral("&Run Mod"), &frmMain::mnuBuildRun_Click);
    mnuBuildRun->setShortcut(QKeySequence(Qt::Key_F5));
    mnuBuildRunSettings = item(mnuBuild, "mnuBuildRunSettings", QStringLiteral("Run &Settings..."),
                               &frmMain::mnuBuildRunSettings_Click);
    mnuBuildPackage = item(mnuBuild, "mnuBuildPackage", QStringLiteral("Pac&kage Mod..."),
                           &frmMain::mnuBuildPackage_Click);
    mnuBuildSep0 = separator(mnuBuild, "mnuBuildSep0");
    mnuBuildUpload = item(mnuBuild, "mnuBuildUpload", QStringLiteral("&Publish Mod..."),
                          &frmMain::mnuBuildUpload_Click);

    mnuView = menu("mnuView", QStringLiteral("&View"));
    mnuViewToolbar =
        item(mnuView, "mnuViewToolbar", QStringLiteral("&Toolbar"), &frmMain::mnuViewToolbar_Click);
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setChecked(true);
    mnuViewStatusBar = item(mnuView, "mnuViewStatusBar", QStringLiteral("Status &Bar"),
                            &frmMain::mnuViewStatusBar_Click);
    mnuViewStatusBar->setCheckable(true);
    mnuViewStatusBar->setChecked(true);
    mnuViewBar0 = separator(mnuView, "mnuViewBar0");
    mnuViewRefresh = item(mnuView, "mnuViewRefresh", QStringLiteral("&Refresh"));
    mnuViewRefresh->setEnabled(false);
    mnuViewOptions = item(mnuView, "mnuViewOptions", QStringLiteral("&Options..."),
                          &frmMain::mnuViewOptions_Click);
    mnuViewOptions->setEnabled(false);

    mnuTools = menu("mnuTools", QStringLiteral("&Tools"));
    mnuToolsOptions = item(mnuTools, "mnuToolsOptions", QStringLiteral("&Options..."),
                           &frmMain::mnuToolsOptions_Click);

    mnuWindow = menu("mnuWindow", QStringLiteral("&Window"));
    mnuWindowNewWindow = item(mnuWindow, "mnuWindowNewWindow", QStringLiteral("&New Window"),
                              &frmMain::mnuWindowNewWindow_Click);
    mnuWindowFile = item(mnuWindow, "mnuWindowFile", QStringLiteral("&File Browser"),
                         &frmMain::mnuWindowFile_Click);
    mnuWindowFile->setCheckable(true);
    mnuWindowFile->setChecked(true);
    mnuWindowBar0 = separator(mnuWindow, "mnuWindowBar0");
    mnuWindowCascade = item(mnuWindow, "mnuWindowCascade", QStringLiteral("&Cascade"),
                            &frmMain::mnuWindowCascade_Click);
    mnuWindowTileHorizontal =
        item(mnuWindow, "mnuWindowTileHorizontal", QStringLiteral("Tile &Horizontal"),
             &frmMain::mnuWindowTileHorizontal_Click);
    mnuWindowTileVertical =
        item(mnuWindow, "mnuWindowTileVertical", QStringLiteral("Tile &Vertical"),
             &frmMain::mnuWindowTileVertical_Click);
    mnuWindowArrangeIcons =
        item(mnuWindow, "mnuWindowArrangeIcons", QStringLiteral("&Arrange Icons"),
             &frmMain::mnuWindowArrangeIcons_Click);
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmMain::RebuildWindowList);

    mnuHelp = menu("mnuHelp", QStringLiteral("&Help"));
    mnuHelpContents = item(mnuHelp, "mnuHelpContents", QStringLiteral("&Contents"),
                           &frmMain::mnuHelpContents_Click);
    mnuHelpSearchForHelpOn =
        item(mnuHelp, "mnuHelpSearchForHelpOn", QStringLiteral("&Search For Help On..."),
             &frmMain::mnuHelpSearchForHelpOn_Click);
    mnuHelpBar0 = separator(mnuHelp, "mnuHelpBar0");
    mnuHelpAbout =
        item(mnuHelp, "mnuHelpAbout", QStringLiteral("&About "), &frmMain::mnuHelpAbout_Click);
}

void frmMain::createToolBar() {
    imlToolbarIcons = ToolbarIcons::ImageList();
    auto image = [this](const QString& key) {
        for (const auto& [imageKey, pixmap] : imlToolbarIcons)
            if (imageKey == key)
                return QIcon(pixmap);
        return QIcon();
    };

    tbToolBar = new QToolBar(QStringLiteral("tbToolBar"), this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Only View > Toolbar shows and hides it, so its check mark stays true.
    tbToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    tbToolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, tbToolBar);

    const QString keys[] = {"New",  "Open",  "Save", "",     "Print", "",          "Cut",
                            "Copy", "Paste", "",     "Find", "",      "Properties"};
    for (const QString& key : keys) {
        QAction* button = nullptr;
        if (key.isEmpty()) {
            button = tbToolBar->addSeparator();
        } else {
            button = tbToolBar->addAction(image(key), key);
            button->setToolTip(key);
            button->setObjectName(QStringLiteral("tbButton") + key);
            connect(button, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        }
        button->setData(key);
        tbButtons.push_back(button);
    }
}

void frmMain::createStatusBar() {
    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    setStatusBar(sbStatusBar);

    auto panel = [this](const char* name, const QString& text) {
        auto* label = new QLabel(text, sbStatusBar);
        label->setObjectName(QLatin1String(name));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(2, 0, 2, 0);
        return label;
    };
    sbPanelStatus = panel("sbPanelStatus", QStringLiteral("Status"));
    sbPanelDate = panel("sbPanelDate", QString());
    sbPanelTime = panel("sbPanelTime", QString());
    sbStatusBar->addWidget(sbPanelStatus, 1);
    sbStatusBar->addPermanentWidget(sbPanelDate);
    sbStatusBar->addPermanentWidget(sbPanelTime);

    UpdateClock();
    clockTimer = new QTimer(this);
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &frmMain::UpdateClock);
    clockTimer->start();
}

void frmMain::UpdateClock() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    sbPanelDate->setText(locale.toString(now.date(), QLocale::ShortFormat));
    sbPanelTime->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

QMdiSubWindow* frmMain::ActiveForm() const {
    // The current child stays known while another top-level window (a message box, a dialog)
    // has the focus, as the active document does.
    return mdiArea ? mdiArea->currentSubWindow() : nullptr;
}

frmDocument* frmMain::ActiveDocument() const {
    return qobject_cast<frmDocument*>(ActiveForm());
}

RichTextBox& frmMain::ActiveCode() const {
    frmDocument* document = ActiveDocument();
    if (!document || !document->code)
        throw RuntimeError(RuntimeError::NoObject,
                           QStringLiteral("Object variable or With block variable not set"));
    return *document->code;
}

QString frmMain::WorkingFile() const {
    // A new, empty untitled window (File > Open makes one before its dialog shows) stands for
    // the window that was active before it.
    std::vector<QMdiSubWindow*> recent{ActiveForm()};
    for (QMdiSubWindow* child : activation->MostRecentFirst())
        if (child != recent.front())
            recent.push_back(child);
    for (QMdiSubWindow* child : recent) {
        const auto* document = qobject_cast<const frmDocument*>(child);
        if (!document || !document->code)
            return {};
        if (!IsUntitled(document->windowTitle()))
            return document->windowTitle();
        if (document->Changed() || document->code->TextLength() > 0)
            return {};
    }
    return {};
}

bool frmMain::ActiveIsBrowser() const {
    const QMdiSubWindow* active = ActiveForm();
    return active && !Brows.isNull() && active == Brows.data();
}

void frmMain::ShowChild(QMdiSubWindow* child) {
    if (!child)
        return;
    if (child->mdiArea() != mdiArea) {
        mdiArea->addSubWindow(child);
        activation->Watch(child);
        PlaceNewChild(child);
    }
    child->show();
    activation->Activate(child);
}

void frmMain::RebuildWindowList() {
    for (QAction* entry : windowListActions) {
        mnuWindow->removeAction(entry);
        delete entry;
    }
    windowListActions.clear();

    const auto children = mdiArea->subWindowList(QMdiArea::CreationOrder);
    if (children.isEmpty())
        return;
    auto* bar = new QAction(this);
    bar->setSeparator(true);
    mnuWindow->addAction(bar);
    windowListActions.push_back(bar);

    QMdiSubWindow* active = ActiveForm();
    int number = 0;
    for (QMdiSubWindow* child : children) {
        ++number;
        const auto* document = qobject_cast<frmDocument*>(child);
        const QString caption =
            LiteralText::MenuText(document ? document->Caption() : child->windowTitle());
        const QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                         : QStringLiteral("%1 %2").arg(number).arg(caption);
        auto* entry = new QAction(text, this);
        // Only the active child carries a check mark; the others show no box at all.
        entry->setCheckable(child == active);
        entry->setChecked(child == active);
        QPointer<QMdiSubWindow> target = child;
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target)
                ShowChild(target);
        });
        mnuWindow->addAction(entry);
        windowListActions.push_back(entry);
    }
}

void frmMain::MDIForm_Load() {
    Module1& m = program.module1;
    m.KeyPending = false;
    program.colorCode.Set();
    SetFlatToolbar(tbToolBar);
    m.PendingOpenFile.clear();
    SourceDir.clear();
    m.PendingSourceDir.clear();
    m.PendingWorkspaceFile.clear();
    LastFindText.clear();
    m.PendingFindText.clear();
    LastFindPos = 0;

    // Placement in twips, applied as stored where it makes a usable window; a value that is no
    // usable number takes its default instead of misplacing the window.
    const QString& app = program.App.Title;
    auto read = [&](const char* key, double defaultTwips, bool isSize) {
        const QString text = SettingsStore::GetSetting(app, Section, QLatin1String(key),
                                                       QString::number(defaultTwips));
        return WindowPlacement::StoredTwips(text, isSize).value_or(defaultTwips);
    };
    const double left = read("MainLeft", 1000, false);
    const double top = read("MainTop", 1000, false);
    const double width = read("MainWidth", 6500, true);
    const double height = read("MainHeight", 6500, true);
    placement->Restore({left, top, width, height});

    m.FTPClientPath = SettingsStore::GetSetting(app, Section, QStringLiteral("ftpPath"), QString());
    m.WebBrowserPath =
        SettingsStore::GetSetting(app, Section, QStringLiteral("webPath"), QString());
    m.EmailClientPath =
        SettingsStore::GetSetting(app, Section, QStringLiteral("emaPath"), QString());

    ShowFileBrowser();
    mnuWindowFile->setChecked(true);
    Timer1->start();
}

void frmMain::SetFlatToolbar(QToolBar* aToolbar) {
    // Flat buttons that raise under the mouse, no divider or handle, fixed to the top edge.
    if (!aToolbar)
        return;
    aToolbar->setMovable(false);
    aToolbar->setFloatable(false);
    aToolbar->setAllowedAreas(Qt::TopToolBarArea);
    for (QAction* action : aToolbar->actions())
        if (auto* button = qobject_cast<QToolButton*>(aToolbar->widgetForAction(action)))
            button->setAutoRaise(true);
    aToolbar->setStyleSheet(QStringLiteral("QToolBar { border: none; }"));
}

void frmMain::MDIForm_Unload() {
    const QString& app = program.App.Title;
    // A placement that had to be mended stays stored as it was until the user moves the window.
    if (!isMinimized() && !placement->KeepsStoredValues()) {
        const TwipsRect outer = placement->Current();
        SettingsStore::SaveSetting(app, Section, QStringLiteral("MainLeft"),
                                   SingleText(outer.left));
        SettingsStore::SaveSetting(app, Section, QStringLiteral("MainTop"), SingleText(outer.top));
        SettingsStore::SaveSetting(app, Section, QStringLiteral("MainWidth"),
                                   SingleText(outer.width));
        SettingsStore::SaveSetting(app, Section, QStringLiteral("MainHeight"),
                                   SingleText(outer.height));
    }
    const Module1& m = program.module1;
    SettingsStore::SaveSetting(app, Section, QStringLiteral("ftpPath"), m.FTPClientPath);
    SettingsStore::SaveSetting(app, Section, QStringLiteral("webPath"), m.WebBrowserPath);
    SettingsStore::SaveSetting(app, Section, QStringLiteral("emaPath"), m.EmailClientPath);
}

void frmMain::mnuFileExit_Click() {
    close();
}

void frmMain::EndWithoutQuestions() {
    endingWithoutQuestions = true;
    // A copy that cannot be written cannot be told about either.
    if (program.recovery)
        program.recovery->failureReported = true;
    std::vector<QPointer<QMdiSubWindow>> children;
    for (QMdiSubWindow* child : mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        children.emplace_back(child);
        if (auto* document = qobject_cast<frmDocument*>(child))
            document->WriteRecovery();
    }
    // Free-standing windows first (a wizard page hands back the paths it holds), then the
    // children; a question or dialog on screen goes with the program.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible() && !qobject_cast<QDialog*>(window))
            window->close();
    }
    for (const QPointer<QMdiSubWindow>& child : children) {
        if (child && !qobject_cast<frmDocument*>(child))
            child->close();
    }
    MDIForm_Unload();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Every child closes first; a source window whose save failed stays open with its text,
    // and then the main window stays too.
    for (QMdiSubWindow* child : mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        QPointer<QMdiSubWindow> guard = child;
        if (guard && !guard->close()) {
            event->ignore();
            return;
        }
    }
    MDIForm_Unload();
    Timer1->stop();
    event->accept();
}

void frmMain::Timer1_Timer() {
    Module1& m = program.module1;
    if (m.KeyPending) {
        m.PendingKey = KeyPressEvent(m.PendingKey);
        m.KeyPending = false;
    }
    if (!m.PendingOpenFile.isEmpty())
        PendingOpenFileStep();
    if (!m.PendingSourceDir.isEmpty())
        PendingSourceDirStep();
    if (!m.PendingFindText.isEmpty())
        PendingSearchStep();
    if (m.SelectionChanged)
        CaretDisplayStep();
}

void frmMain::CaretDisplayStep() {
    if (frmDocument* document = ActiveDocument(); document && document->code) {
        CaretPos = document->code->SelStart();
        sbPanelStatus->setText(QStringLiteral("Line ") +
                               QString::number(document->code->GetLineFromChar(CaretPos)));
    }
    program.module1.SelectionChanged = false;
}
