#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "PrintQString.h"

#include "platform/Launcher.h"

using Launcher::ProgramForCommandLine;
using Launcher::SplitCommandLine;

namespace {

TEST(SplitCommandLine, SplitsAsTheShellDoes) {
    const struct {
        QString text;
        QStringList words;
    } cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"ftp", {"ftp"}},
        {"  ftp   -n  host ", {"ftp", "-n", "host"}},
        {"\"/opt/My Browser/browser\" --new", {"/opt/My Browser/browser", "--new"}},
        {"'/opt/it''s here' x", {"/opt/its here", "x"}},
        {"'a \"b\" \\c'", {"a \"b\" \\c"}},
        {"\"a \\\"q\\\" \\\\ \\$ \\n\"", {"a \"q\" \\ $ \\n"}},
        {"/opt/My\\ Browser/browser", {"/opt/My Browser/browser"}},
        {"a''b \"\" ''", {"ab", "", ""}},
        {"x\\\ny", {"xy"}},
        {"trailing\\", {"trailing\\"}},
        {"semi;colon $HOME *", {"semi;colon", "$HOME", "*"}},
    };
    for (const auto& c : cases) {
        const auto words = SplitCommandLine(c.text);
        ASSERT_TRUE(words.has_value()) << c.text.toStdString();
        EXPECT_EQ(*words, c.words) << c.text.toStdString();
    }
    EXPECT_FALSE(SplitCommandLine("\"open").has_value());
    EXPECT_FALSE(SplitCommandLine("it's").has_value());
}

// The build script's cd is quoted this way: whatever the word holds, the splitting (and sh, as
// fuzz_commandline checks) reads back that one word.
TEST(SplitCommandLine, ReadsAShellQuotedWordBackWhole) {
    EXPECT_EQ(Launcher::ShellQuoted("/q3 'src'/code"), QByteArray("'/q3 '\\''src'\\''/code'"));
    for (const QByteArray& word :
         {QByteArray(""), QByteArray("'"), QByteArray("''"), QByteArray("a b\tc\nd"),
          QByteArray("$HOME `id` \"x\" \\ ; & | * ~"), QByteArray("\xc3\xa9t\xc3\xa9 'q'")}) {
        const auto words = SplitCommandLine(QString::fromUtf8(Launcher::ShellQuoted(word)));
        ASSERT_TRUE(words.has_value()) << word.toStdString();
        EXPECT_EQ(*words, QStringList{QString::fromUtf8(word)}) << word.toStdString();
    }
}

class ProgramForCommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        browser = dir.filePath("My Browser/browser bin");
        ASSERT_TRUE(QDir(dir.path()).mkpath("My Browser"));
        QFile file(browser);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    std::optional<Launcher::ProgramStart> Start(const QString& commandLine) {
        error.clear();
        return ProgramForCommandLine(
            commandLine, [&](const QString& path) { return path == browser; }, error);
    }

    QTemporaryDir dir;
    QString browser;
    QString error;
};

TEST_F(ProgramForCommandLineTest, WholeTextNamingAProgramIsStartedAsIs) {
    const auto start = Start(browser);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->program, browser);
    EXPECT_TRUE(start->arguments.isEmpty());
}

TEST_F(ProgramForCommandLineTest, OtherTextIsSplitIntoProgramAndArguments) {
    auto start = Start("ftp -n \"my host\"");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->program, "ftp");
    EXPECT_EQ(start->arguments, QStringList({"-n", "my host"}));

    start = Start("\"" + browser + "\" --new-window 'a b'");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->program, browser);
    EXPECT_EQ(start->arguments, QStringList({"--new-window", "a b"}));
}

TEST_F(ProgramForCommandLineTest, UnquotedPathWithBlanksBeforeArgumentsIsFound) {
    const auto start = Start(browser + "  http://example.org \"x y\"");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->program, browser);
    EXPECT_EQ(start->arguments, QStringList({"http://example.org", "x y"}));

    // No executable at any blank: the shell's first word, which then fails to start.
    const auto other = Start("/no such/program arg");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->program, "/no");
}

TEST_F(ProgramForCommandLineTest, BlanksAroundAWholePathWithBlanksAreNoArguments) {
    for (const QString& text : {" " + browser, browser + " ", "\t " + browser + " \n"}) {
        const auto start = Start(text);
        ASSERT_TRUE(start) << text.toStdString();
        EXPECT_EQ(start->program, browser);
        EXPECT_TRUE(start->arguments.isEmpty()) << text.toStdString();
    }
    const auto start = Start("  " + browser + " --new-window  ");
    ASSERT_TRUE(start);
    EXPECT_EQ(start->program, browser);
    EXPECT_EQ(start->arguments, QStringList({"--new-window"}));
}

TEST_F(ProgramForCommandLineTest, EmptyTextAndOpenQuoteGiveAReason) {
    EXPECT_FALSE(Start("   "));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(Start("\"/opt/x"));
    EXPECT_TRUE(error.contains("quote"));
}

} // namespace
