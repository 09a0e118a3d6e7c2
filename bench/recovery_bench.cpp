// The recovery copy of a large unsaved window: what one write costs once the typing has stopped
// (the header, the text as the control holds it, a temporary file flushed to disk and renamed
// over the last copy). A key itself only restarts a timer.
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/inputs.h"
#include "platform/RecoveryStore.h"
#include "platform/RichTextBox.h"

namespace {

void RecoveryWrite(benchmark::State& state) {
    QTemporaryDir dir;
    RecoveryStore store(dir.filePath(QStringLiteral("recovery")));
    RichTextBox code;
    code.SetText(QString::fromStdString(BenchInputs::LargeFile()));
    const QString name = store.NewName();
    const RecoveryCopy about{.caption = QStringLiteral("/usr/src/quake3/code/game/g_main.c")};
    for (auto _ : state)
        store.Write(name, about, code.Utf8View());
    state.counters["MB"] = double(code.Utf8View().size()) / 1e6;
}

const auto* const registered = benchmark::RegisterBenchmark("RecoveryWrite/10.5MB", RecoveryWrite)
                                   -> Iterations(1) -> Repetitions(7) -> ReportAggregatesOnly(true)
                                       -> Unit(benchmark::kMillisecond);

} // namespace
