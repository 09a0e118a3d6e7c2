// Recognising build output: the lines q3lcc, q3cpp, q3asm, gcc and the shells really print
// (taken from builds of the game's source), lines that only look like them, the directories a
// build shows itself entering, and finding the file a message names.
#include <QDir>
#include <QSet>
#include <gtest/gtest.h>

#include "workspace/CompilerMessages.h"

using CompilerMessages::DirectoryChange;
using CompilerMessages::Message;
using CompilerMessages::Severity;

namespace {

std::string Show(const std::optional<Message>& m) {
    if (!m)
        return "nothing";
    return (m->file + " | " + QString::number(m->line) + ":" + QString::number(m->column) + " | " +
            QString::number(int(m->severity)) + " | " + m->text)
        .toStdString();
}

TEST(CompilerMessages, RecognisesWhatTheToolsPrint) {
    const struct {
        const char* line;
        std::optional<Message> expected;
    } cases[] = {
        // q3lcc: errors, warnings, and an error inside an included file.
        {"../g_mem.c:31: syntax error; found `}' expecting `;'",
         Message{"../g_mem.c", 31, 0, Severity::Error, "syntax error; found `}' expecting `;'"}},
        {"../g_spawn.c:194: warning: empty declaration",
         Message{"../g_spawn.c", 194, 0, Severity::Warning, "empty declaration"}},
        {"../g_main.c: ../g_local.h:42: syntax error; found `int' expecting `;'",
         Message{"../g_local.h", 42, 0, Severity::Error,
                 "syntax error; found `int' expecting `;'"}},
        {"../g_main.c:12: warning: missing return value\r",
         Message{"../g_main.c", 12, 0, Severity::Warning, "missing return value"}},
        // q3cpp: the innermost place counts; its warnings do not say they are warnings.
        {"cpp: ../zz.c:1 Could not find include file \"nofile.h\"",
         Message{"../zz.c", 1, 0, Severity::Error, "Could not find include file \"nofile.h\""}},
        {"cpp: ../g_local.h:7 ../g_main.c:24 #error directive: \"Do not use in VM build\"",
         Message{"../g_local.h", 7, 0, Severity::Error,
                 "#error directive: \"Do not use in VM build\""}},
        {"cpp: ../a.c:9 No newline at end of file",
         Message{"../a.c", 9, 0, Severity::Warning, "No newline at end of file"}},
        // gcc and clang.
        {"../g_main.c:7:12: error: 'rocket' undeclared (first use in this function)",
         Message{"../g_main.c", 7, 12, Severity::Error,
                 "'rocket' undeclared (first use in this function)"}},
        {"/abs/b.h:10:5: note: declared here",
         Message{"/abs/b.h", 10, 5, Severity::Note, "declared here"}},
        {"a.c:1:10: fatal error: x.h: No such file or directory",
         Message{"a.c", 1, 10, Severity::Error, "x.h: No such file or directory"}},
        {"C:\\q3\\code\\game\\g_main.c:5: syntax error",
         Message{"C:\\q3\\code\\game\\g_main.c", 5, 0, Severity::Error, "syntax error"}},
        // q3asm: the .asm file's name without its extension, and its banner.
        {"g_main:1520 ERROR: symbol G_Foo undefined",
         Message{"g_main", 1520, 0, Severity::Error, "ERROR: symbol G_Foo undefined"}},
        {"************ ERROR ************",
         Message{"", 0, 0, Severity::Error, "************ ERROR ************"}},
        // The shells' own complaints name the script's line.
        {"/src/game/gamerev.bat: 3: q3lcc: not found",
         Message{"/src/game/gamerev.bat", 3, 0, Severity::Error, "q3lcc: not found"}},
        {"/src/game/gamerev.bat: line 4: q3asm: command not found",
         Message{"/src/game/gamerev.bat", 4, 0, Severity::Error, "q3asm: command not found"}},
        // Look-alikes that are not messages.
        {"pass 0: g_main", std::nullopt},
        {"code segment:  436836", std::nullopt},
        {"0 total errors", std::nullopt},
        {"In file included from ../g_main.c:23:", std::nullopt},
        {"make: *** [Makefile:12: all] Error 1", std::nullopt},
        {"10:30 the build started", std::nullopt},
        {"../g_main.c:0: nothing at line zero", std::nullopt},
        {"../g_main.c:12: ", std::nullopt},
        {"", std::nullopt},
        {"Built /src/game/vm/qagame.qvm", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = CompilerMessages::Parse(QString::fromUtf8(c.line));
        EXPECT_EQ(Show(parsed), Show(c.expected)) << c.line;
    }
}

TEST(CompilerMessages, FollowsTheDirectoriesTheOutputShows) {
    EXPECT_EQ(CompilerMessages::DirectoryChangeIn("make[2]: Entering directory '/src/game'"),
              (DirectoryChange{DirectoryChange::Kind::Enter, "/src/game"}));
    EXPECT_EQ(CompilerMessages::DirectoryChangeIn("make: Leaving directory `/src/game'"),
              (DirectoryChange{DirectoryChange::Kind::Leave, "/src/game"}));
    EXPECT_EQ(CompilerMessages::DirectoryChangeIn("+ cd 'my vm'"),
              (DirectoryChange{DirectoryChange::Kind::ChangeTo, "my vm"}));
    EXPECT_FALSE(CompilerMessages::DirectoryChangeIn("+ cd $HOME"));
    EXPECT_FALSE(CompilerMessages::DirectoryChangeIn("cd vm"));

    CompilerMessages::DirectoryTrail trail("/src/game");
    trail.Take("+ cd vm");
    EXPECT_EQ(trail.Directories(), QStringList({"/src/game/vm", "/src/game"}));
    trail.Take("make[1]: Entering directory '/src/cgame'");
    trail.Take("+ cd ../ui");
    EXPECT_EQ(trail.Directories(),
              QStringList({"/src/ui", "/src/cgame", "/src/game/vm", "/src/game"}));
    // Leaving makes the directory the last place to look, not a forgotten one.
    trail.Take("make[1]: Leaving directory '/src/ui'");
    EXPECT_EQ(trail.Directories(),
              QStringList({"/src/cgame", "/src/game/vm", "/src/game", "/src/ui"}));
    trail.Take("compiling ../g_main.c");
    EXPECT_EQ(trail.Directories().size(), 4);

    // However many directories, the last ones entered or left are kept.
    const std::size_t most = CompilerMessages::DirectoryTrail::MostDirectories;
    for (std::size_t n = 0; n < 3 * most; ++n)
        trail.Take(QStringLiteral("make[2]: Entering directory '/src/d%1'").arg(n));
    trail.Take("make[2]: Leaving directory '/src/d0'"); // long gone: back as the last place
    const QStringList kept = trail.Directories();
    EXPECT_EQ(std::size_t(kept.size()), most);
    EXPECT_EQ(kept.first(), QStringLiteral("/src/d%1").arg(3 * most - 1));
    EXPECT_EQ(kept.last(), "/src/d0");
    EXPECT_EQ(kept[kept.size() - 2], QStringLiteral("/src/d%1").arg(2 * most + 1));
}

TEST(CompilerMessages, LocatesTheFileWhereTheCompilerRan) {
    const QSet<QString> files = {"/src/game/g_main.c", "/src/game/vm/g_main.asm",
                                 "/src/game/g_local.h", "/src/cgame/cg_main.c",
                                 "/src/ui/ui_main.c"};
    const auto isFile = [&files](const QString& path) {
        // The system resolves "vm/.." itself; a set of clean paths stands in for it.
        return files.contains(QDir::cleanPath(path));
    };
    const QStringList directories =
        CompilerMessages::SearchDirectories({"/src/game"}, "/src/game", {"vm", "docs"}, "/src");
    EXPECT_EQ(directories, QStringList({"/src/game", "/src/game/vm", "/src/game/docs", "/src"}));

    // "../g_main.c" as the compiler printed it from vm/: not next to the module directory,
    // but from its vm subdirectory.
    EXPECT_EQ(CompilerMessages::Locate("../g_main.c", directories, isFile), "/src/game/g_main.c");
    EXPECT_EQ(CompilerMessages::Locate("g_local.h", directories, isFile), "/src/game/g_local.h");
    // From the source directory, and q3asm's name without its extension.
    EXPECT_EQ(CompilerMessages::Locate("cgame/cg_main.c", directories, isFile),
              "/src/cgame/cg_main.c");
    EXPECT_EQ(CompilerMessages::Locate("g_main", directories, isFile), "/src/game/vm/g_main.asm");
    EXPECT_EQ(CompilerMessages::Locate("/src/ui/ui_main.c", {}, isFile), "/src/ui/ui_main.c");
    EXPECT_EQ(CompilerMessages::Locate("../nowhere.c", directories, isFile), "");
    EXPECT_EQ(CompilerMessages::Locate("", directories, isFile), "");

    // Where the output showed the build, that comes first: a cgame file of the same name.
    const QStringList traced = CompilerMessages::SearchDirectories({"/src/cgame/vm", "/src/game"},
                                                                   "/src/game", {}, "/src");
    const QSet<QString> both = {"/src/cgame/g_main.c", "/src/game/g_main.c"};
    EXPECT_EQ(CompilerMessages::Locate(
                  "../g_main.c", traced,
                  [&both](const QString& p) { return both.contains(QDir::cleanPath(p)); }),
              "/src/cgame/g_main.c");
}

} // namespace
