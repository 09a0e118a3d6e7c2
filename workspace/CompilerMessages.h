// What a line of build output says: a compiler or assembler message naming a file and a line,
// or a directory the build enters. Pure: recognising a line touches nothing; finding the file a
// message names asks the caller whether a path is a file.
//
// Recognised:
//   q3lcc / lcc   "../g_mem.c:31: syntax error; found `}'"   "../g_main.c:120: warning: ..."
//                 "../g_main.c: ../g_local.h:42: ..." (an included file: the second name counts)
//   q3cpp         "cpp: ../g_main.c:3 Could not find include file ..." (the first place counts)
//   gcc, clang    "FILE:LINE:COL: error|fatal error|warning|note: message"
//   q3asm         "g_main:1520 ERROR: symbol foo undefined" (the .asm file's name without its
//                 extension) and its "************ ERROR ************" banner (no file)
//   directories   "make[1]: Entering directory '/x'", "make: Leaving directory '/x'", and the
//                 "+ cd DIR" trace of a script run with `set -x`
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace CompilerMessages {

enum class Severity { Error, Warning, Note };

struct Message {
    QString file; // as the output names it; empty when it names none
    int line = 0; // 1-based; 0 when the output names none
    int column = 0;
    Severity severity = Severity::Error;
    QString text; // the message itself, without its place

    bool operator==(const Message&) const = default;
};

// The message a line of output holds, or nothing.
std::optional<Message> Parse(const QString& line);

struct DirectoryChange {
    enum class Kind { Enter, Leave, ChangeTo };
    Kind kind = Kind::Enter;
    QString directory; // as written

    bool operator==(const DirectoryChange&) const = default;
};

// The directory change a line of output shows, or nothing.
std::optional<DirectoryChange> DirectoryChangeIn(const QString& line);

// Follows the directories a build's output shows it in, most recent first. It holds the last
// MostDirectories of them (the one entered or left longest ago goes first), so a build that
// walks through any number of directories costs what its lines cost; and the list it holds is
// shared by every message that arrives before the next change, so messages cost no more after
// many directories than after one.
class DirectoryTrail {
public:
    static constexpr std::size_t MostDirectories = 16;

    explicit DirectoryTrail(QString startDirectory);
    // Takes note of one line of output.
    void Take(const QString& line);
    // The directories to look in for a message's file, the current one first.
    const QStringList& Directories() const { return *Shared(); }
    // The same list, shared with every caller until the trail next changes.
    std::shared_ptr<const QStringList> Shared() const;

private:
    struct Place {
        QString directory;
        quint64 touched = 0; // when it was last entered or left
    };
    std::vector<Place> places; // [0] is where the build is now; an empty trail is never left
    quint64 clock = 0;
    mutable std::shared_ptr<const QStringList> shared; // made again after a change
};

// The directories a message's file is looked for in, in this order: those the output showed
// the build in (most recent first), the module directory, its subdirectories (given, e.g.
// "vm" first), the workspace's source directory. Each appears once.
QStringList SearchDirectories(const QStringList& trail, const QString& moduleDirectory,
                              const QStringList& subdirectories, const QString& sourceDirectory);

// The path of the file a message names: an absolute name as it is, otherwise the first
// directory in which it (or it with ".asm", for q3asm's names) is a file. Empty when none.
QString Locate(const QString& file, const QStringList& directories,
               const std::function<bool(const QString&)>& isFile);

} // namespace CompilerMessages
