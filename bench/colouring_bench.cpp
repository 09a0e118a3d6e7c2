// Costs of colouring: the range scan of a 120,000-line C file alone, styling those ranges in
// the control, opening and colouring the file as File > Open does, and one key of colouring
// while typing at the end of that file beside one in a 10-line file.
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

#include "app/Program.h"
#include "app/frmMain.h"
#include "colouring/Scanner.h"
#include "documents/frmDocument.h"
#include "platform/QtServices.h"
#include "platform/RichTextBox.h"

namespace {

// A deterministic C file of the given number of lines, CR LF breaks, about 26 bytes a line (3 MB
// for 120,000 lines).
std::string CSource(int lines) {
    static const char* const shapes[] = {
        "#include \"game/module%d.h\"",
        "#define MAX_ENTITIES_%d 1024",
        "static int entityValue%d = 0;",
        "    count += step; // step %d of many",
        "#ifdef MISSIONPACK_%d",
        "#endif",
        "",
        "void G_RunFrame%d(int levelTime) {",
        "    return; /* block %d */",
        "}",
        "    s = \"#%d // not a comment\";",
        "    if (a / b > %d) {",
    };
    std::string text;
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, shapes[(i * 7 + i / 12) % std::size(shapes)], i);
        text += line;
        text += "\r\n";
    }
    return text;
}

struct Session {
    QtServices services;
    Program program{services};
    std::unique_ptr<frmMain> main;
    QTemporaryDir dir;

    Session() {
        main = std::make_unique<frmMain>(program);
        program.mainWindow = main.get();
        main->MDIForm_Load();
        main->show();
        QApplication::processEvents();
    }
    QString Write(const std::string& text) {
        const QString path = dir.filePath(QStringLiteral("big.c"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text.data(), qint64(text.size()));
        return path;
    }
    // A source window holding text, the caret after the "/" near the end of its last line.
    RichTextBox& WindowForTyping(const std::string& text) {
        main->NewDocument();
        RichTextBox& code = main->ActiveCode();
        code.SetText(QString::fromStdString(text + "int last = a / b;\r\n"));
        code.SetSelStart(code.TextLength() - 6);
        main->ActiveDocument()->ccode = true;
        return code;
    }
};

Session* session = nullptr;
const std::string& BigFile() {
    static const std::string text = CSource(120000);
    return text;
}

void BM_ScanRanges(benchmark::State& state) {
    const std::string& text = BigFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Scanner::FindRanges(text));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
    const Scanner::Ranges ranges = Scanner::FindRanges(text);
    state.counters["ranges"] = double(ranges.directives.size() + ranges.comments.size());
}

void BM_ApplyRanges(benchmark::State& state) {
    RichTextBox& code = session->WindowForTyping(BigFile());
    const Scanner::Ranges found = Scanner::FindRanges(code.Utf8View());
    std::vector<ColourRange> ranges;
    for (const Scanner::Span& s : found.directives) {
        ranges.push_back({int(s.begin), int(s.end - s.begin), 16711680});
    }
    for (const Scanner::Span& s : found.comments) {
        ranges.push_back({int(s.begin), int(s.end - s.begin), 32768});
    }
    for (auto _ : state) {
        code.ApplyColours(ranges);
    }
    session->main->mdiArea->closeAllSubWindows();
}

void BM_CPPHighlight(benchmark::State& state) {
    session->WindowForTyping(BigFile());
    for (auto _ : state) {
        session->main->CPPHighlight();
    }
    session->main->mdiArea->closeAllSubWindows();
}

void BM_OpenAndColour(benchmark::State& state) {
    const QString path = session->Write(BigFile());
    for (auto _ : state) {
        session->main->OpenDocument(path);
        state.PauseTiming();
        session->main->mdiArea->closeAllSubWindows();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// One "/" typed in the last line: it recolours from the "/" through that line's end.
void BM_KeyPressEvent(benchmark::State& state) {
    RichTextBox& code = session->WindowForTyping(CSource(int(state.range(0))));
    for (auto _ : state) {
        std::int16_t key = '/';
        benchmark::DoNotOptimize(session->main->KeyPressEvent(key));
    }
    state.counters["chars"] = double(code.TextLength());
    session->main->mdiArea->closeAllSubWindows();
}

BENCHMARK(BM_ScanRanges)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyRanges)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CPPHighlight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndColour)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_KeyPressEvent)->Arg(10)->Arg(120000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Session s;
    session = &s;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    session = nullptr;
    return 0;
}
