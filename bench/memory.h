// The process's own memory as the kernel counts it, for the benchmarks that measure what a
// flood costs (Linux).
#pragma once

#include <QByteArray>
#include <QFile>
#include <benchmark/benchmark.h>

namespace BenchMemory {

// A value of /proc/self/status in KiB ("VmHWM", "VmRSS"), or -1.
inline long StatusKiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray wanted = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(wanted))
            return line.mid(wanted.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts the kernel's peak resident set afresh from the current one (Linux 4.0 and later).
inline bool ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// A flood is run once per repetition, timed by the benchmark itself, three times.
inline void OneFloodThreeTimes(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true)->UseManualTime()->Unit(
        benchmark::kMillisecond);
}

} // namespace BenchMemory
