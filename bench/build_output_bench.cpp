// The build output window under a flood: a real build script prints N lines through the real
// program's Build game QVM into its build window, as fast as awk writes them. The floods:
//   mixed        one line in ten an lcc-style error, one in ten a warning, the rest plain
//   plain        plain lines as long as the directory lines below
//   directories  make's "Entering directory" for a new directory on every line
//   alternating  "Entering directory" lines alternating with errors (each error arrives in a
//                directory of its own)
//   long         lines of 16,000 characters
// Measured: the time from the command until the window shows its end status line; the longest
// the event loop went without turning while the output poured in (a frozen interface shows
// here); and the resident memory the run added on top of what the process held before it (the
// kernel's peak, reset before each run, after the allocator has handed back what it kept from
// earlier work).
// Registered by itself; kelto_bench's main runs it with the others:
//   kelto_bench --benchmark_filter=BuildOutput
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include "app/Main.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "bench/memory.h"
#include "platform/QtServices.h"
#include "workspace/BuildScript.h"
#include "workspace/frmBuild.h"

namespace {

using BenchMemory::ResetPeak;
using BenchMemory::StatusKiB;

enum class Flood { Mixed, Plain, Directories, Alternating, Long };

struct FloodRow {
    const char* name;
    const char* awkLine; // prints line i
    long errorsPer;      // one error in this many lines; 0: none
};

const FloodRow Floods[] = {
    {"mixed",
     "if (i % 10 == 0) print \"../g_main.c:\" i \": syntax error; found `int' expecting `;'\"\n"
     "  else if (i % 10 == 5) print \"../g_main.c:\" i \": warning: missing return value\"\n"
     "  else print \"compiling ../g_file\" i \".c\"",
     10},
    {"plain", "print \"make[1]: Building in folder '/src/module/dir\" i \"'\"", 0},
    {"directories", "print \"make[1]: Entering directory '/src/module/dir\" i \"'\"", 0},
    {"alternating",
     "if (i % 2 == 0) print \"../g_main.c:\" i \": syntax error; found `int' expecting `;'\"\n"
     "  else print \"make[1]: Entering directory '/src/module/dir\" i \"'\"",
     2},
    {"long", "print substr(long, length(i) + 1) i", 0},
};

void BuildOutputFlood(benchmark::State& state) {
    const long lines = long(state.range(0));
    const FloodRow& flood = Floods[state.range(1)];
    state.SetLabel(flood.name);
    QTemporaryDir tree;
    const QString src = tree.filePath(QStringLiteral("code"));
    for (const BuildModule& module : BuildModules)
        QDir().mkpath(src + u'/' + module.name);
    {
        QFile generator(tree.filePath(QStringLiteral("flood.awk")));
        generator.open(QIODevice::WriteOnly);
        generator.write("BEGIN { long = \"x\"; while (length(long) < 16000) long = long long\n"
                        "long = substr(long, 1, 16000)\n"
                        "for (i = 1; i <= " +
                        QByteArray::number(qlonglong(lines)) + "; i++) {\n  " + flood.awkLine +
                        "\n} }\n");
        QFile buildTemplate(BuildScript::PathsFor(src, BuildModules[1]).templatePath);
        buildTemplate.open(QIODevice::WriteOnly);
        buildTemplate.write("awk -f ../../flood.awk\nexit 1\n");
    }
    const long errors = flood.errorsPer > 0 ? lines / flood.errorsPer : 0;

    QtServices services;
    Program program(services);
    Main(program);
    frmMain* main = program.mainWindow;
    main->SourceDir = src;
    QApplication::processEvents();

    for (auto _ : state) {
        // Freed memory the allocator still holds would hide what the run needs.
        malloc_trim(0);
        const long before = StatusKiB("VmRSS");
        const bool reset = ResetPeak();
        // A timer that wants to run every millisecond: the longest gap between its turns is
        // the longest the interface could not react.
        QElapsedTimer sinceTurn;
        qint64 longestStallNs = 0;
        QTimer turn;
        turn.setTimerType(Qt::PreciseTimer);
        turn.setInterval(1);
        QObject::connect(&turn, &QTimer::timeout, [&] {
            longestStallNs = std::max(longestStallNs, sinceTurn.nsecsElapsed());
            sinceTurn.restart();
        });

        QElapsedTimer wall;
        wall.start();
        sinceTurn.start();
        turn.start();
        main->mnuBuildgameQVM_Click();
        frmBuild* window = main->BuildWindows[1];
        const auto ended = [window] {
            const int rows = window->output->Rows();
            const BuildOutput::Line* last = rows > 0 ? window->output->At(rows - 1) : nullptr;
            return !window->IsRunning() && last &&
                   (last->kind == BuildOutput::Kind::Failed ||
                    last->kind == BuildOutput::Kind::Succeeded);
        };
        while (!ended() && wall.elapsed() < 120'000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QApplication::processEvents(); // the last rows drawn
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        turn.stop();
        state.SetIterationTime(seconds);

        if (!ended() || window->Errors() != errors) {
            state.SkipWithError("the build did not end with every error counted");
            break;
        }
        const long peak = StatusKiB("VmHWM");
        state.counters["lines_per_s"] = double(lines) / seconds;
        state.counters["longest_stall_ms"] = double(longestStallNs) / 1e6;
        state.counters["rows_kept"] = window->output->Rows();
        state.counters["before_MiB"] = double(before) / 1024.0;
        state.counters["peak_added_MiB"] = reset ? double(peak - before) / 1024.0 : -1.0;

        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    delete main;
}

BENCHMARK(BuildOutputFlood)
    ->ArgNames({"lines", "flood"})
    ->Args({100'000, long(Flood::Mixed)})
    ->Args({1'000'000, long(Flood::Mixed)})
    ->Args({200'000, long(Flood::Plain)})
    ->Args({200'000, long(Flood::Directories)})
    ->Args({40'000, long(Flood::Alternating)})
    ->Args({40'000, long(Flood::Long)})
    ->Apply(BenchMemory::OneFloodThreeTimes);

} // namespace
