// Renders the pictures the docs show, from the real windows: the main window at its first-run
// size with the file browser, the same with a new source window, the file browser and the New
// Workspace dialog, the options dialog, every wizard page, the About box, and tiled and
// cascaded windows. scripts/screenshots.sh runs it on an X server with a window manager, once
// for each DPI and font size, so framed windows are grabbed from the screen with their frames.
// The platform is scripted: no dialog waits for anyone and nothing is started.
// Usage: kelto_screenshots OUTPUT-FOLDER SUFFIX [POINT-SIZE]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <cstdio>

#include "app/Main.h"
#include "app/Program.h"
#include "app/ToolbarIcons.h"
#include "app/frmAbout.h"
#include "app/frmMain.h"
#include "documents/frmDocument.h"
#include "platform/RichTextBox.h"
#include "publishing/WizardPage.h"
#include "publishing/frmOptions.h"
#include "support/ScriptedServices.h"
#include "workspace/frmAddDir.h"
#include "workspace/frmBrows.h"

namespace {

QString folder;
QString suffix;
int failures = 0;

// Lets the window system map, frame and paint what was shown.
void Settle(int ms = 400) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

void Save(const QPixmap& picture, const QString& name) {
    const QString path = QStringLiteral("%1/%2%3.png").arg(folder, name, suffix);
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++failures;
        return;
    }
    std::printf("  %s\n", qPrintable(QFileInfo(path).fileName()));
}

// A top-level window as it is on the screen, frame included; drawn by itself where the
// platform cannot read the screen back.
void ShootFramed(QWidget& window, const QString& name) {
    window.raise();
    window.activateWindow();
    Settle();
    const QRect frame = window.frameGeometry();
    QPixmap picture;
    if (QScreen* screen = window.screen())
        picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    Save(picture.isNull() ? window.grab() : picture, name);
}

// A child window or any widget, drawn by itself.
void Shoot(QWidget& widget, const QString& name) {
    Settle(200);
    Save(widget.grab(), name);
}

const QString GameSource =
    QStringLiteral("#include \"g_local.h\"\r\n\r\n// the game's entry point\r\n"
                   "int vmMain(int command, int arg0) {\r\n"
                   "    return 0;\r\n}\r\n");

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelto"));
    QApplication::setWindowIcon(ToolbarIcons::ProgramIcon()); // as main() gives it
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: kelto_screenshots OUTPUT-FOLDER SUFFIX [POINT-SIZE]\n");
        return 2;
    }
    folder = arguments[1];
    suffix = arguments[2];
    if (arguments.size() > 3) {
        QFont font = QApplication::font();
        font.setPointSizeF(arguments[3].toDouble());
        QApplication::setFont(font);
    }
    QDir().mkpath(folder);

    ScriptedServices services;
    Program program(services);
    Main(program); // the first-run placement: the settings folder is the script's own
    frmMain& main = *program.mainWindow;
    ShootFramed(main, QStringLiteral("first-run"));
    Shoot(*main.Brows, QStringLiteral("file-browser"));

    main.NewDocument();
    main.ActiveCode().SetText(GameSource);
    ShootFramed(main, QStringLiteral("first-run-source"));

    main.mnuFileNW_Click();
    Shoot(*main.AddDir, QStringLiteral("new-workspace-dialog"));
    main.AddDir->close(); // its save dialog answers as cancelled

    program.module1.FTPClientPath = QStringLiteral("/usr/bin/filezilla");
    program.module1.WebBrowserPath = QStringLiteral("/usr/bin/firefox --new-window");
    program.module1.EmailClientPath = QStringLiteral("/usr/bin/thunderbird -compose");
    services.modalScripts.push_back([](QDialog& dialog) {
        dialog.show();
        ShootFramed(dialog, QStringLiteral("options"));
    });
    main.mnuToolsOptions_Click();
    services.modalScripts.push_back([](QDialog& dialog) {
        dialog.show();
        ShootFramed(dialog, QStringLiteral("about"));
    });
    main.mnuHelpAbout_Click();

    for (int n = WizardPage::FirstPage; n <= WizardPage::LastPage; ++n) {
        WizardPage* page = WizardPage::ShowPage(program, n);
        ShootFramed(*page, QStringLiteral("wizard-%1").arg(n));
        page->close();
    }

    // Arrangements, in a main window large enough to show them.
    main.resize(960, 720);
    main.NewDocument();
    main.ActiveCode().SetText(
        QStringLiteral("#define MAX_CLIENTS 64\r\n// clients\r\nint level;\r\n"));
    for (const auto& [arrange, name] :
         {std::pair{&frmMain::mnuWindowTileHorizontal_Click, "tiled-horizontal"},
          std::pair{&frmMain::mnuWindowTileVertical_Click, "tiled-vertical"},
          std::pair{&frmMain::mnuWindowCascade_Click, "cascaded"}}) {
        (main.*arrange)();
        Shoot(main, QLatin1String(name));
    }

    main.close();
    delete program.mainWindow.data();
    return failures == 0 ? 0 : 1;
}
