// The program's command line, `kelto [FILE...]`, `--help` and `--version`: what it asks for,
// worked out before the application object exists, so that the help and the version need no
// display. Qt's own options (-style, -platform, ...) are accepted and left to the application.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { Open, PrintHelp, PrintVersion, Fail };
    Action action = Action::Open;
    QStringList files; // Open: the files as absolute, clean paths, in the order given
    QString text;      // PrintHelp, PrintVersion: the text for standard output;
                       // Fail: the error and a short usage for standard error
};

// arguments: the program's arguments, the program's own name first. A relative file name is
// taken from currentDirectory; a file: URL names its local file (its host empty or
// "localhost"), and one naming a file on another computer fails the command line.
CommandLine ParseCommandLine(const QStringList& arguments, const QString& currentDirectory);

// The arguments as the program received them, file names with their bytes kept
// (TextFile::DecodeName), and the current folder the same way.
QStringList ArgumentsOf(int argc, char** argv);
QString CurrentDirectory();

// Prints the help, the version or the error, and returns the program's exit status: 0, or 1
// for a command line that was not understood.
int PrintCommandLine(const CommandLine& commandLine);

// A workspace file (".kws" in any letter case, as the desktop's file type matches it) opens as
// the workspace; any other file in a source window.
bool IsWorkspaceFile(const QString& path);
