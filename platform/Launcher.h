// How a command line becomes a started program on Linux, as pure functions: splitting a
// command line the way a POSIX shell does, quoting a word so that the shell reads it back
// whole, and choosing what to start for a command line. QtServices starts what these return.
// (Build scripts never go through here: see platform/BuildProcess.)
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace Launcher {

// Splits text into words as sh does (blanks separate; '...' is literal; "..." keeps blanks and
// honours \ before $ ` " \ and newline; a backslash outside quotes takes the next character
// literally). No expansion of any kind. Nothing when a quote is left open.
std::optional<QStringList> SplitCommandLine(const QString& text);

// A word quoted for sh: single quotes, each inner quote written as '\''. SplitCommandLine and
// sh both read it back as exactly that word.
QByteArray ShellQuoted(const QByteArray& word);

// A word for a line of a batch file that cmd reads as exactly that word: as it is when it holds
// none of cmd's special characters (a documented script keeps its bytes), else in double quotes
// (where & | < > ^ ( ) are plain) with each % doubled (a batch file expands %NAME% even there).
QByteArray BatchQuoted(const QByteArray& word);
// Text as cmd reads it in a batch file: on Windows in the console's (OEM) code page, which is
// not the one the rest of the system's 8-bit text uses; elsewhere the local 8-bit encoding.
QByteArray BatchBytes(const QString& text);

struct ProgramStart {
    QString program;
    QStringList arguments;
};

// What to start for a command line typed by the user: the whole text when it names an
// executable file (a path with blanks needs no quotes), as it is or without the blanks around
// it; otherwise the shell's words, the
// first being the program. When that first word names no executable file but the text
// starts with an unquoted path with blanks that does, that path is the program and the
// rest are its arguments (as Windows reads such a command line). Nothing, with the reason in
// error, when the text is empty or leaves a quote open.
std::optional<ProgramStart>
ProgramForCommandLine(const QString& commandLine,
                      const std::function<bool(const QString&)>& isExecutableFile, QString& error);

} // namespace Launcher
