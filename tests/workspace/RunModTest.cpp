// Build All, Run Mod and Package Mod in a running program, with real build scripts and the
// stand-in engine of tests/workspace/data (it writes out its arguments, prints an error and a
// warning, waits, and ends with the code it is told): what lands in the mod folder, the argument
// vector, live output, Stop, closing while it runs, F5 again, the first F5's dialog, the
// out-of-date rule, and a package whose bytes do not change from one run to the next.
// The build scripts and the stand-in engine are sh scripts, so this runs on Linux.
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/ZipArchive.h"
#include "support/ProcessState.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "workspace/BuildChain.h"
#include "workspace/BuildScript.h"
#include "workspace/ModuleFiles.h"
#include "workspace/RunSettings.h"
#include "workspace/frmBuild.h"
#include "workspace/frmRunSettings.h"

namespace {

const QString Engine = QStringLiteral(KELTO_WORKSPACE_TEST_DATA "/engine");

class RunMod : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        src = root.filePath("mymod/code");
        for (const char* module : {"game", "cgame", "ui"})
            QDir().mkpath(src + '/' + module);
        QDir().mkpath(root.filePath("q3/baseq3"));
        ZipArchive::Write(root.filePath("q3/baseq3/pak0.pk3"), {{"maps/q3dm1.bsp", "b"}});
        main->SourceDir = src;
        main->WorkspacePath = WriteTestFile(root, "mymod/mymod.kws", src.toLocal8Bit() + "\r\n");
        settings = {Engine,  true,    root.filePath("q3/baseq3"), root.filePath("home"),
                    "mymod", "q3dm1", "+set standin_wait 0.5"};
        Template("game", "qagame");
        qputenv("KELTO_STANDIN_ARGV", root.filePath("argv").toLocal8Bit());
    }
    void TearDown() override {
        ProgramFixture::TearDown();
        qunsetenv("KELTO_STANDIN_ARGV");
    }

    // A module's template that "builds" its .qvm from its one source and logs the build.
    void Template(const QString& module, const QString& qvm, const QByteArray& extra = "") {
        WriteTestFile(root, "mymod/code/" + module + "/" + module + ".c", "int x;\n");
        WriteTestFile(root, "mymod/code/" + module + "/" + module + "bak.bat",
                      extra + "echo " + module.toLatin1() + " >>'" +
                          root.filePath("built").toLocal8Bit() + "'\nmkdir -p vm && cat " +
                          module.toLatin1() + ".c >vm/" + qvm.toLatin1() + ".qvm\n");
    }
    void Keep() { RunSettingsStore::Save(main->WorkspacePath, settings); }
    QString Built() const { return QString::fromLatin1(ReadTestFile(root.filePath("built"))); }
    static QString Row(frmBuild* window, int row) {
        return window->output->data(window->output->index(row), Qt::DisplayRole).toString();
    }
    static int RowWith(frmBuild* window, const QString& text) {
        for (int row = 0; window && row < window->output->Rows(); ++row)
            if (Row(window, row).contains(text))
                return row;
        return -1;
    }
    bool WaitForEngine() {
        return QTest::qWaitFor(
            [this] { return main->EngineWindow && main->EngineWindow->IsRunning(); }, 15000);
    }
    bool WaitForEngineEnd() {
        return QTest::qWaitFor(
            [this] {
                return main->EngineWindow && !main->EngineWindow->IsRunning() &&
                       main->EngineWindow->lblStatus->text().startsWith("Engine ");
            },
            15000);
    }
    QString Status() const { return main->EngineWindow->lblStatus->text(); }

    QTemporaryDir root;
    QString src;
    RunSettings settings;
};

} // namespace

TEST_F(RunMod, BuildsCopiesIntoTheModFolderAndStartsTheEngineWithItsArgumentVector) {
    Keep();
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    EXPECT_EQ(Built(), "game\n"); // built: there was no .qvm
    frmBuild* window = main->EngineWindow;
    EXPECT_EQ(window->windowTitle(), "Run Mod: mymod");
    EXPECT_EQ(main->ActiveForm(), window);

    // The error and the warning show while the engine still runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowWith(window, "stand-in error") > 0; }, 10000));
    EXPECT_TRUE(window->IsRunning());
    EXPECT_EQ(window->output->At(RowWith(window, "stand-in error"))->kind,
              BuildOutput::Kind::Error);
    const int warning = RowWith(window, "WARNING: no such sound");
    EXPECT_EQ(Row(window, warning), "WARNING: no such sound");
    EXPECT_EQ(window->output->At(warning)->kind, BuildOutput::Kind::Warning);
    EXPECT_TRUE(window->lblStatus->text().startsWith("Running... 1 error, 1 warning"));

    ASSERT_TRUE(WaitForEngineEnd());
    EXPECT_TRUE(Status().startsWith("Engine reported errors: exit code 0, "))
        << Status().toStdString();
    EXPECT_GT(RowWith(window, "mymod: hello from G_InitGame"), 0);
    EXPECT_EQ(RowWith(window, "not from the mod folder"), -1);
    EXPECT_EQ(Row(window, 0), "Engine: " + Engine);
    EXPECT_GT(RowWith(window, "game: built again, vm/qagame.qvm has not been built"), 0);

    // Only the mod's own folder received anything.
    EXPECT_EQ(ReadTestFile(root.filePath("home/mymod/vm/qagame.qvm")), "int x;\n");
    EXPECT_EQ(QDir(root.filePath("home")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({"mymod"}));
    EXPECT_EQ(QDir(root.filePath("q3/baseq3")).entryList(QDir::Files), QStringList({"pak0.pk3"}));
    const QStringList received =
        QString::fromLocal8Bit(ReadTestFile(root.filePath("argv"))).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(received, settings.Arguments());
    EXPECT_EQ(received.mid(received.size() - 2), QStringList({"+map", "q3dm1"}));

    // Nothing to build the second time; a changed source builds again; a failed build starts
    // no engine and leaves its window in front.
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    ASSERT_TRUE(WaitForEngineEnd());
    EXPECT_EQ(Built(), "game\n");
    EXPECT_GT(RowWith(window, "game: up to date"), 0);
    QTest::qWait(20);
    Template("game", "qagame", "exit 2\n");
    main->mnuBuildRun_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->BuildWindows[1] && !main->Chain; }, 10000));
    EXPECT_EQ(main->ActiveForm(), main->BuildWindows[1]);
    EXPECT_FALSE(window->IsRunning());
}

TEST_F(RunMod, StopCloseAndF5AgainEndTheEngineByItsProcessId) {
    settings.extraArguments = "+set standin_wait 30 +set standin_exit 3";
    Keep();
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    frmBuild* window = main->EngineWindow;
    qint64 pid = window->ProcessId();
    ASSERT_TRUE(ProcessRuns(pid));

    // F5 again: No keeps it; Yes ends it and runs anew.
    services.messageAnswers = {MsgAnswer::No};
    main->mnuBuildRun_Click();
    EXPECT_EQ(services.callsOf("MsgBox").back().text,
              "The engine is still running.\n\nStop it and run the mod again?");
    EXPECT_EQ(window->ProcessId(), pid);
    services.messageAnswers = {MsgAnswer::Yes};
    main->mnuBuildRun_Click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->ProcessId() != pid && WaitForEngine(); }, 10000));
    EXPECT_FALSE(ProcessRuns(pid));
    pid = window->ProcessId();

    // The question goes away when the engine ends while it is open, and the run goes on.
    services.messageAnswers = {MsgAnswer::No};
    services.whileAsking = {[&] {
        window->cmdStop_Click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->IsRunning(); }, 10000));
    }};
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    EXPECT_NE(window->ProcessId(), pid);
    pid = window->ProcessId();

    // Stop: the process with that id ends; stopping is no failure.
    window->cmdStop_Click();
    ASSERT_TRUE(WaitForEngineEnd());
    EXPECT_FALSE(ProcessRuns(pid));
    EXPECT_TRUE(Status().startsWith("Engine stopped: ")) << Status().toStdString();

    // Closing the window while it runs asks; No keeps both, Yes ends the engine.
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    pid = window->ProcessId();
    services.messageAnswers = {MsgAnswer::No};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(services.callsOf("MsgBox").back().text, "The engine is still running.\n\nStop it?");
    EXPECT_TRUE(ProcessRuns(pid));
    services.messageAnswers = {MsgAnswer::Yes};
    EXPECT_TRUE(window->close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(pid); }, 10000));

    // ... and so does closing Kelto.
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    pid = main->EngineWindow->ProcessId();
    services.messageAnswers = {MsgAnswer::Yes};
    main->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(pid); }, 10000));
}

// The end no one can be asked about (SIGTERM, SIGHUP): the engine ends now, with what it started,
// without a question.
TEST_F(RunMod, EndingWithoutQuestionsEndsTheEngineAndWhatItStarted) {
    settings.extraArguments = "+set standin_wait 300";
    Keep();
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    frmBuild* window = main->EngineWindow;
    ASSERT_TRUE(QTest::qWaitFor([&] { return RowWith(window, "stand-in child ") > 0; }, 10000));
    const qint64 processes[] = {
        window->ProcessId(), Row(window, RowWith(window, "stand-in child ")).mid(15).toLongLong()};

    main->EndWithoutQuestions();
    EXPECT_EQ(services.count("MsgBox"), 0);
    for (const qint64 process : processes)
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRuns(process); }, 500)) << process;
}

TEST_F(RunMod, TheFirstF5AsksForTheSettingsAndAMissingEngineIsNamed) {
    services.modalScripts = {[](QDialog& dialog) { dialog.reject(); }};
    main->mnuBuildRun_Click();
    EXPECT_EQ(services.callsOf("RunModal").back().extra, "frmRunSettings");
    EXPECT_FALSE(main->EngineWindow);
    EXPECT_FALSE(RunSettingsStore::Load(main->WorkspacePath));

    const QString missing = root.filePath("nowhere/ioq3ded");
    services.modalScripts = {[&](QDialog& dialog) {
        auto& form = static_cast<frmRunSettings&>(dialog);
        EXPECT_EQ(form.txtMod->text(), "mymod"); // after the workspace file
        form.txtEngine->setText(missing);
        form.txtBaseGame->setText(settings.baseGame);
        form.txtHome->setText(settings.homeFolder);
        form.Refresh();
        form.cboMap->setCurrentText("q3dm1");
        dialog.accept();
    }};
    main->mnuBuildRun_Click();
    EXPECT_TRUE(services.callsOf("MsgBox").back().text.contains(missing + " was not found"));
    EXPECT_EQ(RunSettingsStore::Load(main->WorkspacePath)->engine, missing);
    // Kept: the next F5 asks no more, and the settings dialog reopens with them.
    const int dialogs = services.count("RunModal");
    main->mnuBuildRun_Click();
    EXPECT_EQ(services.count("RunModal"), dialogs);
    services.modalScripts = {[&](QDialog& dialog) {
        EXPECT_EQ(static_cast<frmRunSettings&>(dialog).txtEngine->text(), missing);
        dialog.reject();
    }};
    main->mnuBuildRunSettings_Click();
}

TEST_F(RunMod, ANativeLibraryLoadedInsteadOfTheQvmIsTold) {
    settings.extraArguments = "+set standin_native 1 +set standin_wait 0";
    Keep();
    main->mnuBuildRun_Click();
    ASSERT_TRUE(WaitForEngine());
    ASSERT_TRUE(WaitForEngineEnd());
    frmBuild* window = main->EngineWindow;
    EXPECT_TRUE(
        Status().endsWith("; the engine turned to a native library instead of the mod's QVM"));
    const int row = RowWith(window, "Kelto: the engine loaded vm/qagame.qvm from /usr/share");
    ASSERT_GT(row, 0);
    EXPECT_EQ(window->output->At(row)->kind, BuildOutput::Kind::Warning);
    EXPECT_EQ(window->output->At(RowWith(window, "VM_MAGIC_USE_NATIVE"))->kind,
              BuildOutput::Kind::Warning);
}

TEST_F(RunMod, BuildAllBuildsGameCgameUiInTurnAndStopsAtTheFirstFailure) {
    Template("cgame", "cgame");
    Template("ui", "ui");
    main->mnuBuildAll_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Chain; }, 15000));
    EXPECT_EQ(Built(), "game\ncgame\nui\n");

    QFile::remove(root.filePath("built"));
    Template("cgame", "cgame", "exit 1\n");
    main->mnuBuildAll_Click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Chain; }, 15000));
    EXPECT_EQ(Built(), "game\n");
    EXPECT_EQ(main->ActiveForm(), main->BuildWindows[0]);
    EXPECT_TRUE(main->BuildWindows[0]->lblStatus->text().startsWith("Build failed"));
}

TEST_F(RunMod, AModuleIsOutOfDateWhenAnythingItIsBuiltFromIsNewerThanItsQvm) {
    // cgame's list names its own file, one of game's and a hand-written assembly file; its
    // source includes a header of ui's, which includes another.
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        WriteTestFile(root, "mymod/code/" + name, bytes);
    };
    QDir().mkpath(src + "/cgame/vm");
    write("cgame/cgamebak.bat", "true\n");
    write("cgame/cgame.q3asm",
          "-o \"\\quake3\\baseq3\\vm\\cgame\"\ncg_main\n../cg_syscalls\nbg_misc\n");
    write("cgame/cg_main.c", "#include \"../ui/ui_shared.h\"\n");
    write("cgame/cg_syscalls.asm", "");
    write("game/bg_misc.c", "#include \"q_shared.h\"\n");
    write("game/q_shared.h", "");
    write("ui/ui_shared.h", "  #  include \"menudef.h\"\n");
    write("ui/menudef.h", "");
    write("game/g_main.c", ""); // not cgame's
    const BuildModule& cgame = BuildModules[0];
    EXPECT_EQ(ModuleFiles::QvmPath(src, cgame), src + "/cgame/vm/cgame.qvm");
    EXPECT_EQ(ModuleFiles::WhyOutOfDate(src, cgame), "vm/cgame.qvm has not been built");

    const QDateTime built = QDateTime::currentDateTime().addSecs(-60);
    const QStringList inputs = ModuleFiles::Inputs(src, cgame);
    EXPECT_EQ(inputs.size(), 8) << inputs.join('\n').toStdString();
    const auto stamp = [](const QString& file, const QDateTime& time) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(time, QFileDevice::FileModificationTime);
    };
    for (const QString& file : inputs)
        stamp(file, built.addSecs(-10));
    stamp(src + "/game/g_main.c", built.addSecs(5));
    write("cgame/vm/cgame.qvm", "");
    stamp(src + "/cgame/vm/cgame.qvm", built);
    EXPECT_EQ(ModuleFiles::WhyOutOfDate(src, cgame), "");

    for (const QString& file : inputs) {
        stamp(file, built.addSecs(5));
        EXPECT_EQ(ModuleFiles::WhyOutOfDate(src, cgame),
                  QDir(src).relativeFilePath(file) + " changed after vm/cgame.qvm was built");
        stamp(file, built.addSecs(-10));
    }
    QFile::remove(src + "/game/bg_misc.c");
    EXPECT_EQ(ModuleFiles::WhyOutOfDate(src, cgame),
              "cgame.q3asm names bg_misc, which was not found");
}

TEST_F(RunMod, PackageModPacksTheQvmsAndAssetsAlikeEveryTime) {
    Template("cgame", "cgame");
    WriteTestFile(root, "mymod/code/ui/uibak.bat", "exit 1\n"); // a module that fails: no pk3
    for (const char* folder : {"mymod/assets/scripts", "mymod/assets/.git", "mymod/assets/vm"})
        QDir().mkpath(root.filePath(folder));
    WriteTestFile(root, "mymod/assets/scripts/mymod.shader", "textures/mymod/x\n");
    WriteTestFile(root, "mymod/assets/.git/HEAD", "ref");
    WriteTestFile(root, "mymod/assets/vm/qagame.qvm", "stale");
    const QString target = root.filePath("out/mymod.pk3");
    QDir().mkpath(root.filePath("out"));

    services.fileAnswers = {target};
    main->mnuBuildPackage_Click();
    EXPECT_EQ(services.callsOf("ShowSave").back().folder, root.filePath("mymod/mymod.pk3"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Chain; }, 15000));
    EXPECT_FALSE(QFile::exists(target));

    QFile::remove(src + "/ui/uibak.bat");
    for (const QString& answer : {target, root.filePath("out/again")}) {
        services.fileAnswers = {answer};
        main->mnuBuildPackage_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Chain; }, 15000));
    }
    EXPECT_EQ(ZipArchive::Names(target),
              QStringList({"scripts/mymod.shader", "vm/cgame.qvm", "vm/qagame.qvm"}));
    EXPECT_EQ(ReadTestFile(target), ReadTestFile(root.filePath("out/again.pk3")));
    EXPECT_TRUE(services.callsOf("MsgBox").back().text.startsWith(root.filePath("out/again.pk3") +
                                                                  " holds 3 files:"))
        << services.callsOf("MsgBox").back().text.toStdString();
}
#endif
