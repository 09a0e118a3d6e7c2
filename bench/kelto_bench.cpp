// Kelto's costs on large files, beside QScintilla's own C++ lexer on the same file in the same
// run: opening and colouring, the scan alone, one key of colouring while typing, a find that
// fails, a save, start-up, an idle timer tick, and the peak memory of a process holding the
// large file open. Inputs are generated (bench/inputs.h) and written to a temporary folder.
//
// The same program runs its own child processes for what must start from a fresh process:
//   kelto_bench --child=startup             prints "<wall ms> <cpu ms>" of Main to shown
//   kelto_bench --child=memory FILE         prints "<VmHWM KiB> <open ms> <paint ms> <open CPU ms>
//                                           <paint CPU ms>" with FILE open and drawn
//   kelto_bench --child=baseline-memory FILE  the same for QScintilla with its C++ lexer
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qsciscintilla.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/Program.h"
#include "app/frmMain.h"
#include "bench/inputs.h"
#include "colouring/Scanner.h"
#include "documents/frmDocument.h"
#include "platform/QtServices.h"
#include "platform/RichTextBox.h"
#include "platform/TextFile.h"
#include "workspace/frmBrows.h"

namespace {

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Peak resident set of this process so far, in KiB.
long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// QScintilla as the field's editors use it: the file's bytes loaded, styled in full by the C++
// lexer. The bytes go in as they are (no QString on the way), the cheapest load it offers.
std::unique_ptr<QsciScintilla> QsciLoadAndStyle(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    auto editor = std::make_unique<QsciScintilla>();
    editor->setUtf8(true);
    editor->setLexer(new QsciLexerCPP(editor.get()));
    editor->SendScintilla(QsciScintillaBase::SCI_SETTEXT, bytes.constData());
    editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0L, -1L);
    return editor;
}

// ---- Child processes --------------------------------------------------------------------------

int RunChild(const QString& mode, const QString& path) {
    QtServices services;
    Program program(services);
    if (mode == QLatin1String("startup")) {
        const double cpu0 = CpuMs();
        QElapsedTimer wall;
        wall.start();
        Main(program);
        QApplication::processEvents(); // the first paint of the window and its browser
        const double ms = double(wall.nsecsElapsed()) / 1e6;
        const bool shown = program.mainWindow && program.mainWindow->isVisible() &&
                           program.mainWindow->Brows && program.mainWindow->Brows->isVisible();
        std::printf("%.3f %.3f\n", shown ? ms : -1.0, CpuMs() - cpu0);
    } else if (mode == QLatin1String("memory")) {
        Main(program);
        QApplication::processEvents();
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = CpuMs();
        program.mainWindow->OpenDocument(path);
        const double open = double(wall.nsecsElapsed()) / 1e6;
        const double cpuOpen = CpuMs() - cpu0;
        QApplication::processEvents(); // drawn, as the user sees it
        std::printf("%ld %.3f %.3f %.3f %.3f\n", PeakKiB(), open,
                    double(wall.nsecsElapsed()) / 1e6 - open, cpuOpen, CpuMs() - cpu0 - cpuOpen);
    } else if (mode == QLatin1String("baseline-memory")) {
        QElapsedTimer wall;
        wall.start();
        const double cpu0 = CpuMs();
        const auto editor = QsciLoadAndStyle(path);
        const double open = double(wall.nsecsElapsed()) / 1e6;
        const double cpuOpen = CpuMs() - cpu0;
        editor->resize(800, 600);
        editor->show();
        QApplication::processEvents();
        std::printf("%ld %.3f %.3f %.3f %.3f\n", PeakKiB(), open,
                    double(wall.nsecsElapsed()) / 1e6 - open, cpuOpen, CpuMs() - cpu0 - cpuOpen);
    } else {
        return 2;
    }
    std::fflush(stdout);
    delete program.mainWindow.data();
    return 0;
}

// Runs this program as a child and returns the numbers it prints; empty on failure.
std::vector<double> AskChild(const QStringList& arguments) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(60'000) || child.exitCode() != 0)
        return {};
    std::vector<double> numbers;
    for (const QByteArray& field : child.readAllStandardOutput().simplified().split(' '))
        numbers.push_back(field.toDouble());
    return numbers;
}

// ---- The program under test -------------------------------------------------------------------

struct Session {
    QtServices services;
    Program program{services};
    frmMain* main = nullptr;
    QTemporaryDir dir;
    QString large, module, small;

    Session() {
        Main(program);
        main = program.mainWindow;
        QApplication::processEvents();
        large = Write(QStringLiteral("large.c"), BenchInputs::LargeFile());
        module = Write(QStringLiteral("module.c"), BenchInputs::ModuleTree());
        small = Write(QStringLiteral("small.c"), BenchInputs::SmallFile());
    }
    ~Session() { delete main; }
    QString Write(const QString& name, const std::string& text) const {
        const QString path = dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text.data(), qint64(text.size()));
        return path;
    }
    QString Path(std::int64_t which) const {
        return which == 0 ? large : which == 1 ? module : small;
    }
    void CloseAll() {
        main->mdiArea->closeAllSubWindows();
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A source window holding the file, coloured, with a last line "int last = a / b;" and a
    // line break after it, the caret just behind its "/", colouring while typing on.
    RichTextBox& WindowForTyping(const QString& path) {
        main->OpenDocument(path);
        RichTextBox& code = main->ActiveCode();
        code.SetSelStart(code.TextLength());
        code.SetSelText(QStringLiteral("int last = a / b;\r\n"));
        code.SetSelStart(code.TextLength() - 5);
        main->ActiveDocument()->ccode = true;
        return code;
    }
};

Session* session = nullptr;

const char* const fileNames[] = {"10.5MB", "3MB", "10-line"};

void OpenDocument(benchmark::State& state) {
    const QString path = session->Path(state.range(0));
    for (auto _ : state) {
        session->main->OpenDocument(path);
        state.PauseTiming();
        session->CloseAll();
        state.ResumeTiming();
    }
}

void QsciBaseline(benchmark::State& state) {
    const QString path = session->Path(state.range(0));
    for (auto _ : state) {
        auto editor = QsciLoadAndStyle(path);
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}

// The scan over the bytes the control holds (CR LF breaks), as CPPHighlight runs it.
void ScanRanges(benchmark::State& state) {
    const QByteArray text = TextFile::ReadUtf8(session->Path(state.range(0))).utf8;
    const std::string_view view(text.constData(), std::size_t(text.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(Scanner::FindRanges(view));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * text.size());
}

// One "/" typed in the last line: it recolours from the "/" through that line's end.
void KeyPressEvent(benchmark::State& state) {
    RichTextBox& code = session->WindowForTyping(session->Path(state.range(0)));
    for (auto _ : state) {
        std::int16_t key = '/';
        benchmark::DoNotOptimize(session->main->KeyPressEvent(key));
    }
    state.counters["chars"] = double(code.TextLength());
    session->CloseAll();
}

void FindMissing(benchmark::State& state) {
    session->main->OpenDocument(session->large);
    RichTextBox& code = session->main->ActiveCode();
    const QString absent = QStringLiteral("MissingSymbol");
    for (auto _ : state) {
        if (code.Find(absent, 0, -1, int(state.range(0))) != -1)
            state.SkipWithError("found what is not there");
    }
    session->CloseAll();
}

void Save(benchmark::State& state) {
    const QString path = session->Path(state.range(0));
    QFile original(path);
    original.open(QIODevice::ReadOnly);
    const QByteArray before = original.readAll();
    original.close();
    session->main->OpenDocument(path);
    for (auto _ : state)
        session->main->mnuFileSave_Click(); // saves over the file it came from
    QFile saved(path);
    saved.open(QIODevice::ReadOnly);
    if (saved.readAll() != before)
        state.SkipWithError("the saved file differs from the one opened");
    session->CloseAll();
}

void Timer1Idle(benchmark::State& state) {
    Module1& requests = session->program.module1;
    requests = Module1{};
    for (auto _ : state)
        session->main->Timer1_Timer();
}

// Parts of OpenDocument and Save, to see where the time goes.
void ReadAndDecode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(TextFile::ReadUtf8(session->large));
}

void LoadFile(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<RichTextBox>();
        state.ResumeTiming();
        box->LoadFile(session->large);
        state.PauseTiming();
        box.reset();
        state.ResumeTiming();
    }
}

// The first colouring after a load: every byte is still plain, so every range is styled anew.
// CPPHighlight returns with what is in view styled and the rest queued for idle time; with
// `complete`, the queue is finished at once too.
void FirstColouring(benchmark::State& state, bool complete) {
    for (auto _ : state) {
        state.PauseTiming();
        session->main->NewDocument();
        session->main->ActiveCode().LoadFile(session->large);
        state.ResumeTiming();
        session->main->CPPHighlight();
        if (complete)
            session->main->ActiveCode().FinishColours();
        state.PauseTiming();
        session->CloseAll();
        state.ResumeTiming();
    }
}

// Recolouring text that is coloured already: most ranges keep the style they have.
void CPPHighlight(benchmark::State& state, bool complete) {
    session->main->OpenDocument(session->large);
    RichTextBox& code = session->main->ActiveCode();
    code.FinishColours();
    for (auto _ : state) {
        session->main->CPPHighlight();
        if (complete)
            code.FinishColours();
        else { // the queue left from this round would be finished by the next
            state.PauseTiming();
            code.FinishColours();
            state.ResumeTiming();
        }
    }
    session->CloseAll();
}

void FirstColouringReturned(benchmark::State& state) {
    FirstColouring(state, false);
}
void FirstColouringComplete(benchmark::State& state) {
    FirstColouring(state, true);
}
void RecolouringReturned(benchmark::State& state) {
    CPPHighlight(state, false);
}
void RecolouringComplete(benchmark::State& state) {
    CPPHighlight(state, true);
}

// OpenDocument until every colour is in, the queue finished at once rather than while idle.
void OpenAllColoured(benchmark::State& state) {
    for (auto _ : state) {
        session->main->OpenDocument(session->large);
        session->main->ActiveCode().FinishColours();
        state.PauseTiming();
        session->CloseAll();
        state.ResumeTiming();
    }
}

void Encode(benchmark::State& state) {
    const QByteArray text = TextFile::ReadUtf8(session->large).utf8;
    const TextFormat format{.lineBreak = TextFormat::LineBreak::Lf};
    for (auto _ : state)
        benchmark::DoNotOptimize(
            TextFile::EncodeUtf8(std::string_view(text.constData(), text.size()), format));
}

void Text(benchmark::State& state) {
    session->main->OpenDocument(session->large);
    for (auto _ : state)
        benchmark::DoNotOptimize(session->main->ActiveCode().Text());
    session->CloseAll();
}

void StartUp(benchmark::State& state) {
    for (auto _ : state) {
        const std::vector<double> numbers = AskChild({QStringLiteral("--child=startup")});
        if (numbers.size() < 2 || numbers[0] < 0) {
            state.SkipWithError("the child did not start");
            break;
        }
        state.SetIterationTime(numbers[0] / 1e3);
        state.counters["cpu_ms"] = numbers[1];
    }
}

void PeakMemory(benchmark::State& state) {
    const QString mode = state.range(0) == 0 ? QStringLiteral("--child=memory")
                                             : QStringLiteral("--child=baseline-memory");
    for (auto _ : state) {
        const std::vector<double> numbers = AskChild({mode, session->large});
        if (numbers.size() < 5 || numbers[0] < 0) {
            state.SkipWithError("the child failed");
            break;
        }
        // Time: the open alone; the first paint after it beside it.
        state.SetIterationTime(numbers[1] / 1e3);
        state.counters["peak_MiB"] = numbers[0] / 1024.0;
        state.counters["open_cpu_ms"] = numbers[3];
        state.counters["paint_ms"] = numbers[2];
        state.counters["paint_cpu_ms"] = numbers[4];
    }
}

void Register() {
    using benchmark::kMicrosecond;
    using benchmark::kMillisecond;
    using benchmark::kNanosecond;
    const auto once = [](benchmark::internal::Benchmark* b, int repetitions) {
        b->Iterations(1)->Repetitions(repetitions)->ReportAggregatesOnly(true);
    };
    for (int file : {0, 1}) {
        const std::string suffix = std::string("/") + fileNames[file];
        once(benchmark::RegisterBenchmark(("QsciBaseline" + suffix).c_str(), QsciBaseline)
                 ->Arg(file)
                 ->Unit(kMillisecond),
             7);
        once(benchmark::RegisterBenchmark(("OpenDocument" + suffix).c_str(), OpenDocument)
                 ->Arg(file)
                 ->Unit(kMillisecond),
             7);
    }
    benchmark::RegisterBenchmark("OpenDocument/10-line", OpenDocument)
        ->Arg(2)
        ->Unit(kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    for (int file : {0, 1}) {
        benchmark::RegisterBenchmark((std::string("ScanRanges/") + fileNames[file]).c_str(),
                                     ScanRanges)
            ->Arg(file)
            ->Unit(kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    for (int file : {0, 2}) {
        benchmark::RegisterBenchmark((std::string("KeyPressEvent/") + fileNames[file]).c_str(),
                                     KeyPressEvent)
            ->Arg(file)
            ->Unit(kMicrosecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::RegisterBenchmark("FindMissing/10.5MB", FindMissing)
        ->Arg(0)
        ->Unit(kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("FindMissing/10.5MB/matchcase", FindMissing)
        ->Arg(4)
        ->Unit(kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    once(benchmark::RegisterBenchmark("Save/10.5MB", Save)->Arg(0)->Unit(kMillisecond), 7);
    benchmark::RegisterBenchmark("Timer1Idle", Timer1Idle)
        ->Unit(kNanosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    once(benchmark::RegisterBenchmark("StartUp", StartUp)->UseManualTime()->Unit(kMillisecond), 7);
    once(benchmark::RegisterBenchmark("PeakMemory/Kelto", PeakMemory)
             ->Arg(0)
             ->UseManualTime()
             ->Unit(kMillisecond),
         3);
    once(benchmark::RegisterBenchmark("PeakMemory/QsciBaseline", PeakMemory)
             ->Arg(1)
             ->UseManualTime()
             ->Unit(kMillisecond),
         3);
    for (const auto& [name, fn] :
         std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"Part/ReadAndDecode/10.5MB", ReadAndDecode},
             {"Part/LoadFile/10.5MB", LoadFile},
             {"Part/OpenAllColoured/10.5MB", OpenAllColoured},
             {"Part/FirstColouring/10.5MB", FirstColouringReturned},
             {"Part/FirstColouringComplete/10.5MB", FirstColouringComplete},
             {"Part/CPPHighlight/10.5MB", RecolouringReturned},
             {"Part/RecolouringComplete/10.5MB", RecolouringComplete},
             {"Part/Encode/10.5MB", Encode},
             {"Part/Text/10.5MB", Text}}) {
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
}

// The console report, then the ratio of Kelto's open to QScintilla's, medians of this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                       run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* file : {"10.5MB", "3MB"}) {
            const auto open = medians.find(std::string("OpenDocument/") + file);
            const auto base = medians.find(std::string("QsciBaseline/") + file);
            if (open == medians.end() || base == medians.end())
                continue;
            std::printf("OpenDocument/%s over QScintilla with its C++ lexer: %.3f wall, %.3f "
                        "CPU (medians)\n",
                        file, open->second.first / base->second.first,
                        open->second.second / base->second.second);
        }
    }

private:
    std::map<std::string, std::pair<double, double>> medians;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("KELTO_BENCH_CONFIG"))
        qputenv("KELTO_BENCH_CONFIG", config.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", qgetenv("KELTO_BENCH_CONFIG"));
    qputenv("XDG_STATE_HOME", qgetenv("KELTO_BENCH_CONFIG")); // recovery copies, if any
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Kelto"));

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 2 && arguments[1].startsWith(QLatin1String("--child=")))
        return RunChild(arguments[1].mid(8), arguments.value(2));

    Session s;
    session = &s;
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    session = nullptr;
    return 0;
}
