// Run Mod (F5) as the author waits for it: from the key to the engine's first console line in
// the engine window, through the real program's Run Mod with the tests' stand-in engine. The
// game module is the size of the game's own (40 sources of 30 KB listed in game.q3asm, each
// including the module's headers), so the out-of-date check reads what it reads for a real mod;
// its build template copies a source to vm/qagame.qvm, so a rebuild costs Kelto's part of a
// build (script, build window, the chain to the engine) and not the compiler's.
//   rebuild:0  nothing to rebuild: the check, the copy into the mod folder, the engine start
//   rebuild:1  one source touched: the game module is built first
// Registered by itself; kelto_bench's main runs it with the others:
//   kelto_bench --benchmark_filter=RunMod
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "app/Main.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "platform/QtServices.h"
#include "platform/ZipArchive.h"
#include "workspace/BuildChain.h"
#include "workspace/RunSettings.h"
#include "workspace/frmBuild.h"

namespace {

constexpr int Sources = 40;

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

void RunModF5(benchmark::State& state) {
    const bool rebuild = state.range(0) != 0;
    QTemporaryDir root;
    // Kelto's settings for this run stay in the run's folder.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toLocal8Bit());

    const QString src = root.filePath(QStringLiteral("mymod/code"));
    const QString game = src + QStringLiteral("/game");
    QDir().mkpath(game);
    QDir().mkpath(src + QStringLiteral("/cgame"));
    QDir().mkpath(src + QStringLiteral("/ui"));
    QByteArray list = "-o \"qagame\"\n";
    const QByteArray body(30 * 1024, ' ');
    for (int i = 0; i < Sources; ++i) {
        const QByteArray name = "g_file" + QByteArray::number(i);
        list += name + '\n';
        Write(game + u'/' + QString::fromLatin1(name) + QStringLiteral(".c"),
              "#include \"g_local.h\"\n" + body + "\nint x" + QByteArray::number(i) + ";\n");
    }
    Write(game + QStringLiteral("/game.q3asm"), list);
    Write(game + QStringLiteral("/g_local.h"),
          "#include \"q_shared.h\"\n#include \"bg_public.h\"\n");
    Write(game + QStringLiteral("/q_shared.h"), body);
    Write(game + QStringLiteral("/bg_public.h"), body);
    Write(game + QStringLiteral("/gamebak.bat"), "mkdir -p vm && cat g_file0.c >vm/qagame.qvm\n");
    QDir().mkpath(root.filePath(QStringLiteral("q3/baseq3")));
    ZipArchive::Write(root.filePath(QStringLiteral("q3/baseq3/pak0.pk3")),
                      {{QStringLiteral("maps/q3dm1.bsp"), "bsp"}});
    const QString workspace = root.filePath(QStringLiteral("mymod/mymod.kws"));
    Write(workspace, src.toLocal8Bit() + "\r\n");
    RunSettingsStore::Save(workspace,
                           {QStringLiteral(KELTO_ENGINE_STANDIN), true,
                            root.filePath(QStringLiteral("q3/baseq3")),
                            root.filePath(QStringLiteral("home")), QStringLiteral("mymod"),
                            QStringLiteral("q3dm1"), QStringLiteral("+set standin_wait 30")});

    QtServices services;
    Program program(services);
    Main(program);
    frmMain* main = program.mainWindow;
    main->OpenWorkspaceFile(workspace);
    QApplication::processEvents();

    // The engine window's first line from the engine itself.
    const auto firstLine = [main] {
        frmBuild* window = main->EngineWindow;
        if (!window)
            return false;
        for (int row = 0; row < window->output->Rows(); ++row) {
            const BuildOutput::Line* line = window->output->At(row);
            if (line && line->text == QStringLiteral("ioq3 stand-in engine"))
                return true;
        }
        return false;
    };
    // Ends the engine (it would run on) and waits until the run is over.
    const auto settle = [main] {
        QElapsedTimer wait;
        wait.start();
        if (main->EngineWindow)
            main->EngineWindow->cmdStop_Click();
        while (wait.elapsed() < 10'000 &&
               ((main->EngineWindow && main->EngineWindow->IsRunning()) || main->Chain)) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };

    // A first run builds the module and leaves the engine window made, as an author's session has.
    main->mnuBuildRun_Click();
    QElapsedTimer first;
    first.start();
    while (!firstLine() && first.elapsed() < 30'000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    settle();
    for (auto _ : state) {
        if (rebuild) {
            QFile touched(game + QStringLiteral("/g_file7.c"));
            touched.open(QIODevice::ReadWrite);
            touched.setFileTime(QDateTime::currentDateTime().addSecs(1),
                                QFileDevice::FileModificationTime);
        }
        // The last run's lines go, so only this run's first line counts.
        if (main->EngineWindow)
            main->EngineWindow->output->Clear();
        QElapsedTimer wall;
        wall.start();
        main->mnuBuildRun_Click();
        while (!firstLine() && wall.elapsed() < 30'000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(wall.nsecsElapsed()) / 1e9);
        if (!firstLine()) {
            state.SkipWithError("the engine's first line did not show");
            break;
        }
        settle();
    }
    delete main;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (config.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", config);
}

BENCHMARK(RunModF5)
    ->ArgName("rebuild")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
