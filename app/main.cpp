// The program's entry: the command line, the hand-over to a Kelto already running, then the
// application object, the real platform services, the program-wide values and the start-up
// procedure. The program ends when its last window has closed.
#include <QApplication>

#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/Program.h"
#include "app/ToolbarIcons.h"
#include "app/frmMain.h"
#include "platform/EndSignals.h"
#include "platform/FileSizeSignal.h"
#include "platform/QtServices.h"
#include "platform/SingleInstance.h"
#include "platform/WindowPlacement.h"

int main(int argc, char** argv) {
    // A write past the file-size limit fails and is reported instead of ending the program.
    IgnoreFileSizeSignal();
    // --help, --version and a wrong command line are answered before anything needs a display.
    const CommandLine commandLine = ParseCommandLine(ArgumentsOf(argc, argv), CurrentDirectory());
    if (commandLine.action != CommandLine::Action::Open)
        return PrintCommandLine(commandLine);
    SingleInstance instance;
    if (instance.HandOver(commandLine.files))
        return 0;

    // Under Wayland through XWayland, where a window can be placed (unless a platform is chosen).
    WindowPlacement::ChoosePlatform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelto"));
    // Every window without an icon of its own (dialogs, wizard pages, child windows) shows the
    // program's icon, the picture the desktop entry shows.
    QApplication::setWindowIcon(ToolbarIcons::ProgramIcon());
    instance.Listen();
    QtServices services;
    Program program(services);
    Main(program);
    frmMain* main = program.mainWindow;
    main->OpenFiles(commandLine.files);
    // Files from later starts open here while the main window lives; after it the next start
    // runs a Kelto of its own (a wizard page may keep this one running).
    QObject::connect(&instance, &SingleInstance::FilesReceived, main,
                     [main](const QStringList& files) {
                         main->OpenFiles(files);
                         SingleInstance::BringToFront(*main);
                     });
    QObject::connect(main, &QObject::destroyed, &instance, &SingleInstance::Close);
    instance.Serve();
    // Told to end by the system or the session: what runs ends and unsaved text stays in its
    // recovery copies, without a question, as no one may be there to answer; then the program
    // ends as the signal would have ended it.
    EndSignals endSignals;
    QObject::connect(&endSignals, &EndSignals::Received, [&program, &instance](int signal) {
        if (program.mainWindow)
            program.mainWindow->EndWithoutQuestions();
        instance.Close();
        EndSignals::EndAsSignalled(signal);
    });
    const int result = QApplication::exec();
    // The main window normally deletes itself on close; the program's values outlive it.
    delete program.mainWindow.data();
    return result;
}
