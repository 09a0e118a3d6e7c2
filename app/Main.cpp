#include "app/Main.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "app/Program.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"

void Main(Program& program) {
    if (!program.recovery)
        program.recovery = std::make_unique<RecoveryStore>();
    auto splash = std::make_unique<frmSplash>(program);
    // On the screen and drawn before the main window's load keeps the thread busy.
    splash->ShowPainted();

    auto* main = new frmMain(program);
    program.mainWindow = main;
    main->MDIForm_Load();

    splash.reset();
    main->show();
    // Unsaved windows of a run that did not end normally are offered once the window is up.
    QTimer::singleShot(0, main, &frmMain::OfferRecovery);
}
