// The program-wide values of one running Kelto: the start-up module's request slots and
// external program paths (Module1), the colouring engine's colour values (ColorCode), the
// application's own facts (App) and the platform services every window reaches dialogs,
// message boxes and launched programs through, and the recovery copies of unsaved windows. One
// instance per running program, owned by whoever starts it (main() or a test), so a test can
// start a fresh program many times.
#pragma once

#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "app/Version.h"
#include "colouring/ColorCode.h"
#include "platform/RecoveryStore.h"

class QWidget;
class Services;
class frmMain;

struct Module1 {
    // Request slots served by frmMain::Timer1_Timer, in this order.
    bool KeyPending = false;
    std::int16_t PendingKey = 0;
    QString PendingOpenFile;
    QString PendingSourceDir;
    QString PendingWorkspaceFile; // the workspace file saved with PendingSourceDir
    QString PendingFindText;
    std::int16_t FindMode = 0;
    bool SelectionChanged = false;

    // External program paths, loaded and saved by the main window.
    QString FTPClientPath;
    QString WebBrowserPath;
    QString EmailClientPath;
};

struct AppInfo {
    QString Title = QStringLiteral("Kelto");
    int Major = KeltoVersionMajor;
    int Minor = KeltoVersionMinor;
    int Revision = KeltoVersionRevision;
    QString HelpFile; // empty in this program; tests may set it
};

class Program {
public:
    explicit Program(Services& services) : services(services) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Services& services;
    Module1 module1;
    ColorCode colorCode;
    AppInfo App;
    QPointer<frmMain> mainWindow; // the one main window, set by Main()
    // The shared instances of the publishing wizard's pages, indexed by page number (1 to 5;
    // 0 unused): free-standing windows that may outlive the main window.
    std::array<QPointer<QWidget>, 6> WizardPages;
    // Where source windows keep copies of unsaved text; none (no copies) until Main() or a test
    // makes one.
    std::unique_ptr<RecoveryStore> recovery;
};
