// The build output window in a running program, with real build scripts and the stand-in
// compiler of tests/workspace/data (it prints lcc- and gcc-style messages on standard error,
// pauses, and fails): live output, the end status, opening messages at their lines, Stop,
// closing during a build, rebuilding, the end of the program without questions, floods of long
// lines and directories, and workspaces whose source directory fights back.
// The scripts are sh scripts: Windows runs its own (WindowsBuildTest).
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <malloc.h>

#include "documents/frmDocument.h"
#include "platform/BuildProcess.h"
#include "platform/PathStyle.h"
#include "platform/RichTextBox.h"
#include "support/ProcessState.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "workspace/BuildScript.h"
#include "workspace/OutputLineDelegate.h"
#include "workspace/frmBuild.h"

namespace {

class BuildWindow : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        src = PathStyle::Normalized(tree.path()) + "/code";
        for (const BuildModule& module : BuildModules)
            QDir().mkpath(src + '/' + module.name);
        QByteArray source;
        for (int line = 1; line <= 9; ++line)
            source += "/* line " + QByteArray::number(line) + " */\n";
        WriteFile(src + "/game/g_main.c", source);
        main->SourceDir = src;
    }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
    // The game module's template: a build in vm/ the way the game's own scripts do it.
    void GameTemplate(const QByteArray& body) {
        WriteFile(BuildScript::PathsFor(main->SourceDir, BuildModules[1]).templatePath, body);
    }
    static QByteArray Compiler() { return "sh '" KELTO_WORKSPACE_TEST_DATA "/q3lcc'"; }

    frmBuild* BuildGame() {
        main->mnuBuildgameQVM_Click();
        return main->BuildWindows[1];
    }
    static QString Row(frmBuild* window, int row) {
        return window->output->data(window->output->index(row), Qt::DisplayRole).toString();
    }
    static int RowWith(frmBuild* window, const QString& text) {
        for (int row = 0; row < window->output->Rows(); ++row)
            if (Row(window, row).contains(text))
                return row;
        return -1;
    }
    // Waits for the build to end with its status line, and for the output to reach the view.
    static bool WaitForEnd(frmBuild* window) {
        return QTest::qWaitFor(
            [window] {
                const int rows = window->output->Rows();
                const BuildOutput::Line* last = rows > 0 ? window->output->At(rows - 1) : nullptr;
                return !window->IsRunning() && last &&
                       (last->kind == BuildOutput::Kind::Failed ||
                        last->kind == BuildOutput::Kind::Succeeded);
            },
            15000);
    }
    // The window of a build that has ended, to feed output to by hand.
    frmBuild* EndedBuild() {
        GameTemplate("true\n");
        frmBuild* window = BuildGame();
        EXPECT_TRUE(window && WaitForEnd(window));
        return window;
    }
    static qint64 ChildId(frmBuild* window) {
        const int row = RowWith(window, "child ");
        return row < 0 ? 0 : Row(window, row).mid(6).toLongLong();
    }
    QString Status() const { return main->BuildWindows[1]->lblStatus->text(); }
    frmDocument* Document() const { return main->ActiveDocument(); }
    int Documents() const {
        int count = 0;
        for (QMdiSubWindow* child : main->mdiArea->subWindowList())
            count += qobject_cast<frmDocument*>(child) ? 1 : 0;
        return count;
    }

    QTemporaryDir tree;
    QString src;
};

TEST_F(BuildWindow, OutputArrivesLiveAndTheEndCannotBeMistakenForSuccess) {
    GameTemplate("mkdir -p vm && cd vm || exit 1\n" + Compiler() +
                 " -DQ3_VM ../g_main.c || exit 1\necho not reached\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(window);
    const BuildScript::Paths paths = BuildScript::PathsFor(src, BuildModules[1]);
    EXPECT_EQ(window->windowTitle(), "Build game QVM");
    EXPECT_EQ(main->ActiveForm(), window);
    EXPECT_EQ(Row(window, 0), "Build script: " + paths.scriptPath);
    EXPECT_EQ(Row(window, 1), "Working directory: " + paths.moduleDirectory);
    EXPECT_EQ(services.count("MsgBox"), 0); // no message after a successful start

    // The compiler's first line shows while it still runs.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return RowWith(window, "compiling ../g_main.c") > 0; }, 10000));
    EXPECT_TRUE(window->IsRunning());
    EXPECT_TRUE(window->cmdStop->isEnabled());

    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(RowWith(window, "not reached"), -1);
    EXPECT_TRUE(Status().startsWith("Build failed: exit code 1, ")) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith(", 2 errors, 1 warning")) << Status().toStdString();
    EXPECT_TRUE(window->lblStatus->styleSheet().contains("#b00000"));
    EXPECT_FALSE(window->cmdStop->isEnabled());
    const int last = window->output->Rows() - 1;
    EXPECT_EQ(Row(window, last), Status());
    EXPECT_EQ(window->output->At(last)->kind, BuildOutput::Kind::Failed);
    const int first = RowWith(window, "../g_main.c:3:");
    EXPECT_EQ(window->output->At(first)->kind, BuildOutput::Kind::Error);
    EXPECT_EQ(window->output->At(first + 1)->kind, BuildOutput::Kind::Warning);
    EXPECT_EQ(window->output->At(first + 2)->kind, BuildOutput::Kind::Error);
    // The first error is the current line, so Enter opens it at once.
    EXPECT_EQ(window->lstOutput->currentIndex().row(), first);

    // The same module again: the same window, fresh output, and a success that says so.
    GameTemplate("echo fine\n");
    EXPECT_EQ(BuildGame(), window);
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(RowWith(window, "compiling"), -1);
    EXPECT_TRUE(Status().startsWith("Build succeeded: exit code 0, ")) << Status().toStdString();
    EXPECT_TRUE(window->lblStatus->styleSheet().isEmpty());
    EXPECT_EQ(window->output->At(window->output->Rows() - 1)->kind, BuildOutput::Kind::Succeeded);

    // q3asm ends with exit code 0 after errors: still red, and it says so.
    GameTemplate("echo 'g_main:1520 ERROR: symbol G_Foo undefined'\n");
    BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build reported errors: exit code 0, "))
        << Status().toStdString();
    EXPECT_TRUE(window->lblStatus->styleSheet().contains("#b00000"));

    // Output that never ends its line is shown in rows as it comes rather than held without
    // bound.
    GameTemplate("head -c 40000 /dev/zero | tr '\\0' x\nsleep 0.2\n");
    BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    int pieces = 0;
    for (int row = 0; row < window->output->Rows(); ++row)
        pieces += Row(window, row).startsWith("xxxx") ? 1 : 0;
    EXPECT_EQ(pieces, (40000 + BuildOutput::LongestRow - 1) / BuildOutput::LongestRow);
}

// A row holds at most LongestRow characters: a longer line goes on in the rows after it, cut
// between characters, whole when the rows are put together; only its first row can be a
// message or a change of directory.
TEST_F(BuildWindow, LongLinesGoOnInRowsOfBoundedLength) {
    frmBuild* window = EndedBuild();
    const int first = window->output->Rows();
    const qsizetype row = BuildOutput::LongestRow;
    const QString message = "../g_main.c:3: syntax error " + QString(row - 29, u'a') + u'\u00e9' +
                            QString(row, u'b') + " ../g_main.c:5: not another message";
    window->TakeOutput(message.toUtf8() + "\n" + QByteArray(row, '\t') + "\n" +
                       QByteArray(row, 'c') + "\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->output->Rows() > first + 4; }));
    QStringList rows;
    for (int n = first; n < window->output->Rows(); ++n) {
        const BuildOutput::Line* line = window->output->At(n);
        EXPECT_LE(line->text.size(), row);
        EXPECT_EQ(line->kind, n == first ? BuildOutput::Kind::Error : BuildOutput::Kind::Plain);
        rows << line->text;
    }
    EXPECT_EQ(window->Errors(), 1);
    EXPECT_EQ(rows.mid(0, 3).join(QString()), message);                // cut between characters
    EXPECT_EQ(rows.mid(3, 8).join(QString()), QString(8 * row, u' ')); // tabs, expanded
    EXPECT_EQ(rows.mid(11), QStringList{QString(row, u'c')});          // one row's worth: one row
}

// However many directories a build walks through, a message keeps only the few it may need,
// shared with the other messages of the moment (the list of every directory entered, copied
// into each message, took 3.9 GB for 20,000 directories and 20,000 messages).
TEST_F(BuildWindow, DirectoriesAreKeptOnceHoweverManyTheBuildEnters) {
    frmBuild* window = EndedBuild();
    const long long before = static_cast<long long>(mallinfo2().uordblks);
    QByteArray output;
    for (int n = 0; n < 4000; ++n) {
        output += "make[1]: Entering directory '/src/module/directory" + QByteArray::number(n) +
                  "'\n../g_main.c:" + QByteArray::number(n + 1) + ": syntax error\n";
    }
    window->TakeOutput(output);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Errors() == 4000; }));
    QTest::qWait(100);
    const long long grown = static_cast<long long>(mallinfo2().uordblks) - before;
    EXPECT_LT(grown, 16LL << 20);
    const BuildOutput::Line* last = window->output->At(window->output->Rows() - 1);
    EXPECT_EQ(last->message->directories->first(), "/src/module/directory3999");
}

// The end no one can be asked about (SIGTERM, SIGHUP): builds end now, with what they started,
// without a question; unsaved text stays in its recovery copy for the next start.
TEST_F(BuildWindow, EndingWithoutQuestionsEndsBuildsAndKeepsUnsavedText) {
    QTemporaryDir state;
    program->recovery = std::make_unique<RecoveryStore>(state.filePath("recovery"));
    program->recovery->idleDelay = std::chrono::hours(1);
    main->NewDocument();
    QTest::keyClicks(main->ActiveDocument()->code, "unsaved");
    GameTemplate("sleep 303 &\necho \"child $!\"\n(trap '' TERM; exec sleep 304) &\n"
                 "echo \"stubborn $!\"\nwait\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowWith(window, "stubborn ") > 0; }, 10000));
    const qint64 processes[] = {window->ProcessId(), ChildId(window),
                                Row(window, RowWith(window, "stubborn ")).mid(9).toLongLong()};

    main->EndWithoutQuestions();
    EXPECT_EQ(services.count("MsgBox"), 0);
    for (const qint64 process : processes)
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(process); }, 500)) << process;
    const QString run = program->recovery->RunFolder();
    const QStringList copies = QDir(run).entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(ReadTestFile(run + '/' + copies[0]).endsWith("unsaved"));
}

TEST_F(BuildWindow, EnterAndF4OpenEachMessageAtItsLineFromTheVmDirectory) {
    GameTemplate("mkdir -p vm && cd vm || exit 1\n" + Compiler() + " ../g_main.c || exit 1\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(WaitForEnd(window));

    QTest::keyClick(window->lstOutput, Qt::Key_Return);
    frmDocument* document = Document();
    ASSERT_TRUE(document);
    const QString file = QDir::toNativeSeparators(src + "/game/g_main.c");
    EXPECT_EQ(document->Caption(), file);
    EXPECT_TRUE(document->ccode); // opened as File > Open opens a .c file
    RichTextBox& code = *document->code;
    EXPECT_EQ(code.SelText(), "/* line 3 */");
    EXPECT_EQ(code.SelStart(), 2 * 14);
    main->Timer1_Timer();
    EXPECT_EQ(main->sbPanelStatus->text(), "Line 2");
    EXPECT_EQ(Status(), file + ", line 3");

    // F4, wherever the focus is in the main window: the next message, in the same window.
    const auto* key = main->findChild<QShortcut*>("NextMessageKey");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->key(), QKeySequence(Qt::Key_F4));
    main->NextBuildMessage();
    EXPECT_EQ(Document(), document);
    EXPECT_EQ(code.SelText(), "/* line 5 */");
    main->NextBuildMessage(); // gcc's FILE:LINE:COL
    EXPECT_EQ(code.SelText(), "/* line 7 */");
    main->NextBuildMessage(); // round to the first again
    EXPECT_EQ(code.SelText(), "/* line 3 */");
    EXPECT_EQ(Documents(), 1);

    // A double-click on the warning; Enter on a line that is no message does nothing.
    emit window->lstOutput->doubleClicked(window->output->index(RowWith(window, ":5: warning")));
    EXPECT_EQ(code.SelText(), "/* line 5 */");
    window->lstOutput->setCurrentIndex(window->output->index(RowWith(window, "compiling")));
    QTest::keyClick(window->lstOutput, Qt::Key_Return);
    EXPECT_EQ(code.SelText(), "/* line 5 */");
    EXPECT_EQ(Documents(), 1);
}

// At the main window's first-run size a long message wraps: its file and line stay in sight
// and nothing scrolls sideways. The line it opens lands well inside the source window.
TEST_F(BuildWindow, AtTheFirstRunSizeMessagesWrapAndTheirLineOpensWellInView) {
    QByteArray source;
    for (int line = 1; line <= 300; ++line)
        source += "int v" + QByteArray::number(line) + "; // " + QByteArray(150, 'x') + "\n";
    WriteFile(src + "/game/g_main.c", source);
    GameTemplate("mkdir -p vm && cd vm || exit 1\ncat <<'END'\n../g_main.c:250: syntax error; "
                 "found `int' expecting `;' (a "
                 "message that goes on and on, beyond the width of a small build window)\nEND\n"
                 "exit 1\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    QTreeView* view = window->lstOutput;
    ASSERT_EQ(view->currentIndex().row(), RowWith(window, "../g_main.c:250:"));
    const QRect row = view->visualRect(view->currentIndex());
    EXPECT_GT(row.height(), 2 * view->fontMetrics().lineSpacing()) << "not wrapped";
    EXPECT_TRUE(row.left() >= 0 && row.right() < view->viewport()->width());
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    // Narrower still: the rows are measured again, and the message stays in sight.
    window->resize(window->width() * 2 / 3, window->height() * 2 / 3);
    QApplication::processEvents();
    EXPECT_GT(view->visualRect(view->currentIndex()).height(), row.height());
    EXPECT_TRUE(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));

    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(Document());
    EXPECT_EQ(view->horizontalScrollBar()->value(), 0);
    QApplication::processEvents();
    const auto [top, bottom] = Document()->code->VisibleLines();
    EXPECT_TRUE(top + 2 <= 249 && 249 <= bottom - 2) << top << " to " << bottom;
}

TEST(OutputLineDelegate, WrapsAtSpacesOrAnywhereWithinTheWidthAndElidesWhatDoesNotFit) {
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    const QFontMetrics metrics(font);
    const QString message = "../g_main.c:250: syntax error; found `int' expecting `;'";
    const QString path = "/home/you/" + QString(90, u'p') + "/code/game/gamerev.bat";
    const int columns = 24 * metrics.horizontalAdvance(u'M');
    const struct {
        QString text;
        int most;
        bool whole;
    } cases[] = {{message, 10, true}, {path, 10, true}, {message, 2, false}, {QString(), 3, true}};
    for (const auto& each : cases) {
        const QStringList lines = OutputLineDelegate::Wrap(each.text, font, columns, each.most);
        SCOPED_TRACE(lines.join(u'|').toStdString());
        EXPECT_LE(lines.size(), each.most);
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line.trimmed()), columns);
        EXPECT_EQ(lines.join(QString()) == each.text, each.whole);
        EXPECT_EQ(lines.back().endsWith(QChar(0x2026)), !each.whole);
    }
    EXPECT_TRUE(
        OutputLineDelegate::Wrap(message, font, columns, 10)[0].startsWith("../g_main.c:250:"));
}

TEST_F(BuildWindow, MessagesThatCannotBeOpenedSayWhy) {
    GameTemplate("mkdir -p vm && cd vm || exit 1\n" + Compiler() +
                 " ../nowhere.c\necho '************ ERROR ************'\nexit 1\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().endsWith(", 3 errors, 1 warning")) << Status().toStdString();

    QTest::keyClick(window->lstOutput, Qt::Key_Return); // the first error: ../nowhere.c:3
    EXPECT_EQ(Documents(), 0);
    EXPECT_TRUE(Status().startsWith("../nowhere.c was not found; looked in "))
        << Status().toStdString();
    EXPECT_TRUE(Status().contains(src + "/game/vm")) << Status().toStdString();

    EXPECT_FALSE(window->OpenMessage(RowWith(window, "*** ERROR ***")));
    EXPECT_EQ(Status(), "This message names no file.");
    EXPECT_EQ(Documents(), 0);
}

TEST_F(BuildWindow, CommandNotFoundShowsPathAndOpensTheTemplateLine) {
    GameTemplate("echo first\nno-such-kelto-command --flag\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build failed: exit code 127, ")) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith("PATH is " + qEnvironmentVariable("PATH")))
        << Status().toStdString();

    // The shell names the script's line 4: the template's line 2.
    QTest::keyClick(window->lstOutput, Qt::Key_Return);
    ASSERT_TRUE(Document());
    EXPECT_EQ(Document()->Caption(),
              QDir::toNativeSeparators(BuildScript::PathsFor(src, BuildModules[1]).templatePath));
    EXPECT_EQ(Document()->code->SelText(), "no-such-kelto-command --flag");
}

TEST_F(BuildWindow, StopEndsTheScriptAndTheChildItStarted) {
    // One child ends on the polite request; the other ignores it and goes when the grace
    // period is over.
    GameTemplate("sleep 60 &\necho \"polite $!\"\n"
                 "(trap '' TERM; exec sleep 60) &\necho \"child $!\"\nwait\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ChildId(window) > 0; }, 10000));
    const qint64 child = ChildId(window);
    const qint64 polite = Row(window, RowWith(window, "polite ")).mid(7).toLongLong();
    const qint64 script = window->ProcessId();
    EXPECT_TRUE(ProcessRuns(child) && ProcessRuns(polite) && ProcessRuns(script));

    QTest::mouseClick(window->cmdStop, Qt::LeftButton);
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build stopped: ended by SIGTERM, ")) << Status().toStdString();
    EXPECT_TRUE(window->lblStatus->styleSheet().contains("#b00000"));
    EXPECT_FALSE(ProcessRuns(script));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(polite); }, 3000));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !ProcessRuns(child); }, BuildProcess::StopGraceMs + 5000));
}

TEST_F(BuildWindow, ClosingTheProgramDuringABuildAsksThenStopsIt) {
    GameTemplate("sleep 60 &\necho \"child $!\"\nwait\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ChildId(window) > 0; }, 10000));
    const qint64 child = ChildId(window);

    services.messageAnswers = {MsgAnswer::No};
    EXPECT_FALSE(main->close());
    ASSERT_EQ(services.count("MsgBox"), 1);
    const auto question = services.callsOf("MsgBox")[0];
    EXPECT_EQ(question.text, "The game build is still running.\n\nStop it?");
    EXPECT_EQ(question.buttons, MsgButtons::YesNo);
    EXPECT_TRUE(window->IsRunning());

    services.messageAnswers = {MsgAnswer::Yes};
    EXPECT_TRUE(main->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(main);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(child); }, 3000));
}

// Asked "Stop it and build again?" about a build that then ends on its own: the question goes
// and the build starts as if it had not been asked.
TEST_F(BuildWindow, TheRestartQuestionGoesWhenTheBuildEnds) {
    const QString go = tree.filePath("go");
    GameTemplate("echo first\nwhile [ ! -e '" + go.toUtf8() + "' ]; do sleep 0.05; done\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowWith(window, "first") > 0; }, 10000));

    GameTemplate("echo second\n");
    services.messageAnswers = {MsgAnswer::No};
    services.whileAsking = {[&] {
        QFile(go).open(QIODevice::WriteOnly);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->IsRunning(); }, 10000));
        QTest::qWait(50);
    }};
    EXPECT_EQ(BuildGame(), window);
    ASSERT_EQ(services.count("MsgBox"), 1);
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_GT(RowWith(window, "second"), 0);
    EXPECT_EQ(RowWith(window, "first"), -1);
}

TEST_F(BuildWindow, BuildingAgainWhileRunningAsksAndRestarts) {
    GameTemplate("echo first\nsleep 60 &\necho \"child $!\"\nwait\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ChildId(window) > 0; }, 10000));
    const qint64 child = ChildId(window);

    services.messageAnswers = {MsgAnswer::No};
    EXPECT_EQ(BuildGame(), window);
    ASSERT_EQ(services.count("MsgBox"), 1);
    EXPECT_EQ(services.callsOf("MsgBox")[0].text,
              "The game build is still running.\n\nStop it and build again?");
    EXPECT_TRUE(window->IsRunning());
    EXPECT_GT(RowWith(window, "first"), 0);

    GameTemplate("echo second\n");
    services.messageAnswers = {MsgAnswer::Yes};
    EXPECT_EQ(BuildGame(), window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowWith(window, "second") > 0; }, 10000));
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_EQ(RowWith(window, "first"), -1);
    EXPECT_TRUE(Status().startsWith("Build succeeded")) << Status().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(child); }, 3000));
}

// A workspace file naming its source directory relatively, a directory name full of shell
// syntax: the workspace is the file's neighbour, the script runs by its absolute path, and
// nothing of the name is ever run.
TEST_F(BuildWindow, RelativeWorkspaceWithShellSyntaxInItsName) {
    const QString odd = "q3 $(touch pwned) `touch pwned2`; touch pwned3 'x'";
    const QString oddSrc = PathStyle::Normalized(tree.path()) + '/' + odd + "/code";
    ASSERT_TRUE(QDir().mkpath(oddSrc + "/game"));
    ASSERT_TRUE(QDir().mkpath(tree.filePath("workspaces")));
    const QString kws = tree.filePath("workspaces/mine.kws");
    WriteFile(kws, ("../" + odd + "/code\r\n").toLocal8Bit());
    services.fileAnswers.push_back(kws);
    main->mnuFileOW_Click();
    EXPECT_EQ(main->SourceDir, oddSrc);

    GameTemplate("echo \"built in $(pwd)\"\n");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build succeeded")) << Status().toStdString();
    EXPECT_EQ(Row(window, 0), "Build script: " + oddSrc + "/game/gamerev.bat");
    EXPECT_GT(RowWith(window, "built in " + oddSrc + "/game"), 0);
    for (const QString& where : {tree.path(), oddSrc, oddSrc + "/game", QDir::currentPath()})
        EXPECT_TRUE(QDir(where).entryList({"pwned*"}).isEmpty()) << where.toStdString();
}

} // namespace
#endif
