#include "app/Main.h"

#include <memory>

#include "app/Program.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"

void Main(Program& program) {
    auto splash = std::make_unique<frmSplash>(program);
    // On the screen and drawn before the main window's load keeps the thread busy.
    splash->ShowPainted();

    auto* main = new frmMain(program);
    program.mainWindow = main;
    main->MDIForm_Load();

    splash.reset();
    main->show();
}
