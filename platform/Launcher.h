// How a command line and a build script become a started program on Linux, as pure functions:
// splitting a command line the way a POSIX shell does, choosing what to start for a command
// line, and the terminal command that runs a script. QtServices starts what these return.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Launcher {

// Splits text into words as sh does (blanks separate; '...' is literal; "..." keeps blanks and
// honours \ before $ ` " \ and newline; a backslash outside quotes takes the next character
// literally). No expansion of any kind. Nothing when a quote is left open.
std::optional<QStringList> SplitCommandLine(const QString& text);

// Quotes one word so that SplitCommandLine (and sh) give it back unchanged.
QString QuoteWord(const QString& word);

struct ProgramStart {
    QString program;
    QStringList arguments;
};

// What to start for a command line typed by the user: the whole text when it names an
// executable file (a path with blanks needs no quotes); otherwise the shell's words, the
// first being the program. When that first word names no executable file but the text
// starts with an unquoted path with blanks that does, that path is the program and the
// rest are its arguments (as Windows reads such a command line). Nothing, with the reason in
// error, when the text is empty or leaves a quote open.
std::optional<ProgramStart>
ProgramForCommandLine(const QString& commandLine,
                      const std::function<bool(const QString&)>& isExecutableFile, QString& error);

// The terminal programs tried after x-terminal-emulator and $TERMINAL, in order.
QStringList KnownTerminals();

// The arguments that make terminalProgram (a name or a path) run scriptPath in its window.
QStringList TerminalArguments(const QString& terminalProgram, const QString& scriptPath);

// The first terminal that exists: x-terminal-emulator, then $TERMINAL (given as
// terminalVariable, which may carry options of its own), then KnownTerminals().
// findExecutable turns a program name into its full path, or empty when it is not installed.
std::optional<ProgramStart>
TerminalCommand(const QString& scriptPath, const QString& terminalVariable,
                const std::function<QString(const QString&)>& findExecutable);

} // namespace Launcher
