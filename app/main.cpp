// The program's entry: the application object, the real platform services, the program-wide
// values, then the start-up procedure. The program ends when its last window has closed.
#include <QApplication>

#include "app/Main.h"
#include "app/Program.h"
#include "app/ToolbarIcons.h"
#include "app/frmMain.h"
#include "platform/QtServices.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelto"));
    // Every window without an icon of its own (dialogs, wizard pages, child windows) shows the
    // program's icon, the picture the desktop entry shows.
    QApplication::setWindowIcon(ToolbarIcons::ProgramIcon());
    QtServices services;
    Program program(services);
    Main(program);
    const int result = QApplication::exec();
    // The main window normally deletes itself on close; the program's values outlive it.
    delete program.mainWindow.data();
    return result;
}
