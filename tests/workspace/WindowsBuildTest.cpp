// The build window on Windows: the game module's template and list from docs/examples/windows,
// the template written into its script and run by cmd.exe in a job object, with the stand-in
// compiler tests/workspace/data/lcc.bat on PATH, in a source folder whose name cmd would
// misread (& and %NAME%, and letters of the console's code page). Live output, the exit code,
// messages opened at their lines, and Stop ending the script with the compiler it started.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "documents/frmDocument.h"
#include "platform/BuildProcess.h"
#include "platform/RichTextBox.h"
#include "support/ProcessState.h"
#include "support/ProgramFixture.h"
#include "workspace/BuildScript.h"
#include "workspace/frmBuild.h"

#include <cstdio>
#include <tlhelp32.h>

namespace {

// The processes started, directly or not, by the process `root`, with their program names.
QList<QPair<qint64, QString>> Descendants(qint64 root) {
    QList<QPair<qint64, QString>> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    QList<PROCESSENTRY32W> all;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        all.append(entry);
    CloseHandle(snapshot);
    QList<qint64> parents{root};
    for (qsizetype at = 0; at < parents.size(); ++at)
        for (const PROCESSENTRY32W& process : all)
            if (process.th32ParentProcessID == DWORD(parents[at]) &&
                !parents.contains(process.th32ProcessID)) {
                parents.append(process.th32ProcessID);
                found.append({process.th32ProcessID, QString::fromWCharArray(process.szExeFile)});
            }
    return found;
}

class WindowsBuild : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        src = QDir::toNativeSeparators(tree.path() +
                                       QString::fromUtf8("/q3 & co %PATH% \xC3\xA9t\xC3\xA9"));
        const QString game = src + "\\game";
        QDir().mkpath(game);
        QByteArray source;
        for (int line = 1; line <= 9; ++line)
            source += "/* line " + QByteArray::number(line) + " */\r\n";
        WriteFile(game + "\\g_main.c", source);
        ASSERT_TRUE(QFile::copy(KELTO_WINDOWS_EXAMPLES "/game/gamebak.bat",
                                BuildScript::PathsFor(src, BuildModules[1]).templatePath));
        ASSERT_TRUE(QFile::copy(KELTO_WINDOWS_EXAMPLES "/game/game.q3asm", game + "\\game.q3asm"));
        const QString bin = QDir::toNativeSeparators(tree.path() + "/bin");
        QDir().mkpath(bin);
        ASSERT_TRUE(QFile::copy(KELTO_WORKSPACE_TEST_DATA "/lcc.bat", bin + "\\lcc.bat"));
        path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ';' + path);
        main->SourceDir = src;
    }
    void TearDown() override {
        ProgramFixture::TearDown();
        qputenv("PATH", path);
        qunsetenv("KELTO_TEST_COMPILER_WAITS");
    }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
    }
    frmBuild* BuildGame() {
        main->mnuBuildgameQVM_Click();
        return main->BuildWindows[1];
    }
    static int RowWith(frmBuild* window, const QString& text) {
        for (int row = 0; row < window->output->Rows(); ++row)
            if (window->output->data(window->output->index(row), Qt::DisplayRole)
                    .toString()
                    .contains(text))
                return row;
        return -1;
    }
    static bool WaitForEnd(frmBuild* window) {
        return QTest::qWaitFor(
            [window] { return !window->IsRunning() && window->lblStatus->text().contains(": "); },
            30000);
    }
    QString Status() const { return main->BuildWindows[1]->lblStatus->text(); }

    QTemporaryDir tree;
    QString src;
    QByteArray path;
};

TEST_F(WindowsBuild, TheTemplateRunsLiveAndItsMessagesOpenAtTheirLines) {
    frmBuild* window = BuildGame();
    ASSERT_TRUE(window);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return RowWith(window, "compiling ..\\g_main.c") > 0; }, 20000));
    EXPECT_TRUE(window->IsRunning()); // the compiler's first line shows while it runs

    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build failed: exit code 1, ")) << Status().toStdString();
    EXPECT_TRUE(Status().endsWith(", 2 errors, 1 warning")) << Status().toStdString();

    // Enter on the first error, then F4: each message's line, from the vm folder.
    QTest::keyClick(window->lstOutput, Qt::Key_Return);
    frmDocument* document = main->ActiveDocument();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->Caption(), src + "\\game\\g_main.c");
    EXPECT_EQ(document->code->SelText(), "/* line 3 */");
    main->NextBuildMessage();
    EXPECT_EQ(document->code->SelText(), "/* line 5 */");
    main->NextBuildMessage(); // gcc's FILE:LINE:COL
    EXPECT_EQ(document->code->SelText(), "/* line 7 */");

    // A command cmd does not know: its exit code, and where it looked.
    WriteFile(BuildScript::PathsFor(src, BuildModules[1]).templatePath,
              "@echo off\r\nno-such-kelto-command --flag\r\n");
    BuildGame();
    ASSERT_TRUE(WaitForEnd(window));
    EXPECT_TRUE(Status().startsWith("Build failed: exit code 9009, ")) << Status().toStdString();
    EXPECT_TRUE(Status().contains("PATH is ")) << Status().toStdString();
}

TEST_F(WindowsBuild, StopEndsTheScriptAndTheCompilerItStarted) {
    qputenv("KELTO_TEST_COMPILER_WAITS", "1");
    frmBuild* window = BuildGame();
    ASSERT_TRUE(window);
    const qint64 script = window->ProcessId();
    qint64 waiting = 0; // the compiler's own program, two levels below the script
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const auto& [id, name] : Descendants(script))
                if (name.compare("ping.exe", Qt::CaseInsensitive) == 0)
                    waiting = id;
            return waiting != 0;
        },
        20000));

    QElapsedTimer stopping;
    stopping.start();
    QTest::mouseClick(window->cmdStop, Qt::LeftButton);
    ASSERT_TRUE(WaitForEnd(window));
    // How it ended tells whether the Ctrl+Break reached it (Wine's consoles differ from Windows').
    std::printf("%s (%lld ms after Stop)\n", qPrintable(Status()), stopping.elapsed());
    EXPECT_TRUE(Status().startsWith("Build stopped: ")) << Status().toStdString();
    EXPECT_FALSE(ProcessRuns(script));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !ProcessRuns(waiting); }, BuildProcess::StopGraceMs + 5000));
}

} // namespace
#endif
