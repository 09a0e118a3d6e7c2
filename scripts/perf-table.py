#!/usr/bin/env python3
"""Turns a kelto_bench JSON result into the figures table of docs/performance.md.

Usage: perf-table.py BENCH_JSON [--update DOC] [--load-before L] [--load-after L]

Without --update the table is printed. With it, the text between the markers
<!-- figures:begin --> and <!-- figures:end --> in DOC is replaced and the rest is left alone.
"""
import argparse
import json
import os
import platform
import re
import sys

BEGIN, END = "<!-- figures:begin -->", "<!-- figures:end -->"
TO_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def medians(data):
    """run_name -> the median aggregate's entry."""
    out = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            name = re.sub(r"/\d+(?=/|$)", "", b["run_name"])  # drop the argument
            name = re.sub(r"/(iterations|repeats):\d+|/manual_time", "", name)
            out[name] = b
    return out


def ms(entry, key="real_time"):
    return entry[key] * TO_MS[entry["time_unit"]]


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def verdict(ok):
    return "met" if ok else "**missed**"


def table(data, load_before, load_after):
    m = medians(data)
    rows = []

    def need(*names):
        missing = [n for n in names if n not in m]
        if missing:
            rows.append(("(not run: " + ", ".join(missing) + ")", "", "", "", ""))
            return False
        return True

    if need("OpenDocument/10.5MB", "QsciBaseline/10.5MB"):
        o, q = m["OpenDocument/10.5MB"], m["QsciBaseline/10.5MB"]
        ratio, ratio_cpu = ms(o) / ms(q), ms(o, "cpu_time") / ms(q, "cpu_time")
        rows.append(("OpenDocument, 10.5 MB file (read, decode, load, colour, caret at 0)",
                     "<= 0.3 x baseline, < 150 ms",
                     f"{ms(o):.1f} ms; baseline {ms(q):.1f} ms; ratio {ratio:.3f}",
                     f"{ms(o, 'cpu_time'):.1f} ms; baseline {ms(q, 'cpu_time'):.1f} ms; "
                     f"ratio {ratio_cpu:.3f}",
                     verdict(ratio <= 0.3 and ms(o) < 150)))
    if need("PeakMemory/Kelto", "PeakMemory/QsciBaseline"):
        k, q = m["PeakMemory/Kelto"], m["PeakMemory/QsciBaseline"]
        rows.append(("Peak resident memory (VmHWM), a process holding the 10.5 MB file open "
                     "in a source window, drawn",
                     "< 100 MB",
                     f"{k['peak_MiB']:.1f} MiB (QScintilla with its C++ lexer alone: "
                     f"{q['peak_MiB']:.1f} MiB)", "", verdict(k["peak_MiB"] < 100)))
    if need("ScanRanges/10.5MB"):
        s = m["ScanRanges/10.5MB"]
        rate = s["bytes_per_second"] / 1e9
        rows.append(("Colouring scan alone, 10.5 MB", ">= 1 GB/s",
                     f"{rate:.2f} GB/s ({ms(s):.2f} ms)", f"{ms(s, 'cpu_time'):.2f} ms",
                     verdict(rate >= 1)))
    if need("KeyPressEvent/10.5MB", "KeyPressEvent/10-line"):
        big, small = m["KeyPressEvent/10.5MB"], m["KeyPressEvent/10-line"]
        b, s = ms(big) * 1e3, ms(small) * 1e3
        ok = b < 20 and s < 20 and max(b, s) <= 2 * min(b, s)
        rows.append(('KeyPressEvent for "/" at the end of the 10.5 MB file / in a 10-line file',
                     "< 20 us each, within 2x",
                     f"{b:.2f} us / {s:.2f} us ({max(b, s) / min(b, s):.2f}x)",
                     f"{ms(big, 'cpu_time') * 1e3:.2f} us / {ms(small, 'cpu_time') * 1e3:.2f} us",
                     verdict(ok)))
    if need("FindMissing/10.5MB", "FindMissing/10.5MB/matchcase"):
        f, c = m["FindMissing/10.5MB"], m["FindMissing/10.5MB/matchcase"]
        rows.append(("Find of a string not there, whole 10.5 MB file (no options / match case)",
                     "< 30 ms", f"{ms(f):.2f} ms / {ms(c):.2f} ms",
                     f"{ms(f, 'cpu_time'):.2f} ms / {ms(c, 'cpu_time'):.2f} ms",
                     verdict(max(ms(f), ms(c)) < 30)))
    if need("Save/10.5MB"):
        s = m["Save/10.5MB"]
        rows.append(("Save of the 10.5 MB file (encode, LF breaks back, write, flush, fsync, "
                     "rename)", "< 150 ms", f"{ms(s):.1f} ms", f"{ms(s, 'cpu_time'):.1f} ms",
                     verdict(ms(s) < 150)))
    if need("RecoveryWrite/10.5MB"):
        r = m["RecoveryWrite/10.5MB"]
        rows.append(("Recovery copy of a 10.5 MB unsaved window (header, write, flush, fsync, "
                     "rename; a few seconds after the typing stops, nothing per key)", "< 150 ms",
                     f"{ms(r):.1f} ms", f"{ms(r, 'cpu_time'):.1f} ms", verdict(ms(r) < 150)))
    if need("StartUp"):
        s = m["StartUp"]
        rows.append(("Start-up: Main to the main window shown with its file browser "
                     "(fresh process)", "< 300 ms", f"{ms(s):.1f} ms",
                     f"{s['cpu_ms']:.1f} ms", verdict(ms(s) < 300)))
    if need("Timer1Idle"):
        t = m["Timer1Idle"]
        rows.append(("Timer1_Timer with no request pending", "< 1 us",
                     f"{ms(t) * 1e6:.1f} ns", f"{ms(t, 'cpu_time') * 1e6:.1f} ns",
                     verdict(ms(t) < 1e-3)))

    ctx = data.get("context", {})
    lines = [
        f"Run {ctx.get('date', '?')} on {ctx.get('num_cpus', os.cpu_count())} CPUs "
        f"(`nproc`), {cpu_model()} at {ctx.get('mhz_per_cpu', '?')} MHz; load average "
        f"(1, 5, 15 min) {load_before or '?'} before the run, {load_after or '?'} after. "
        "Every figure is the median over the run's repetitions; wall time decides the target, "
        "CPU time (of the measuring thread, or of the child process) is beside it.",
        "",
        "| What | Target | Measured (wall) | CPU time | |",
        "|---|---|---|---|---|",
    ]
    lines += ["| " + " | ".join(r) + " |" for r in rows]

    extra = []
    for name, label in [("OpenDocument/3MB", "OpenDocument, 3 MB module tree (CR LF)"),
                        ("QsciBaseline/3MB", "QScintilla + C++ lexer, 3 MB module tree"),
                        ("OpenDocument/10-line", "OpenDocument, 10-line file"),
                        ("Part/ReadAndDecode/10.5MB", "read and decode (LF to CR LF)"),
                        ("Part/LoadFile/10.5MB", "LoadFile into a fresh control"),
                        ("Part/CPPHighlight/10.5MB", "CPPHighlight (scan and style 67,500 ranges)"),
                        ("Part/Encode/10.5MB", "encode for saving (CR LF to LF)"),
                        ("Part/Text/10.5MB", "Text() of the whole file")]:
        if name in m:
            e = m[name]
            extra.append(f"| {label} | {ms(e):.2f} ms | {ms(e, 'cpu_time'):.2f} ms |")
    for name, label in [("PeakMemory/Kelto", "Kelto"),
                        ("PeakMemory/QsciBaseline", "QScintilla + C++ lexer")]:
        if name in m:
            e = m[name]
            extra.append(f"| first open in a fresh process, {label} (then first paint: "
                         f"{e['paint_ms']:.1f} ms wall, {e['paint_cpu_ms']:.1f} ms CPU) | "
                         f"{ms(e):.1f} ms | {e['open_cpu_ms']:.1f} ms |")
    if "PeakMemory/Kelto" in m and "PeakMemory/QsciBaseline" in m:
        k, q = m["PeakMemory/Kelto"], m["PeakMemory/QsciBaseline"]
        extra.append(f"| first open, ratio Kelto / QScintilla | {ms(k) / ms(q):.3f} | "
                     f"{k['open_cpu_ms'] / q['open_cpu_ms']:.3f} |")
    if "OpenDocument/3MB" in m and "QsciBaseline/3MB" in m:
        o, q = m["OpenDocument/3MB"], m["QsciBaseline/3MB"]
        extra.append(f"| ratio on the 3 MB file | {ms(o) / ms(q):.3f} | "
                     f"{ms(o, 'cpu_time') / ms(q, 'cpu_time'):.3f} |")
    if extra:
        lines += ["", "Parts and neighbours (medians of the same run):", "",
                  "| What | Wall | CPU |", "|---|---|---|"] + extra
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("json")
    parser.add_argument("--update")
    parser.add_argument("--load-before", default="")
    parser.add_argument("--load-after", default="")
    args = parser.parse_args()
    with open(args.json) as f:
        data = json.load(f)
    figures = table(data, args.load_before, args.load_after)
    if not args.update:
        sys.stdout.write(figures)
        return
    with open(args.update) as f:
        doc = f.read()
    if BEGIN not in doc or END not in doc:
        sys.exit(f"{args.update}: no {BEGIN} ... {END} markers")
    head, rest = doc.split(BEGIN, 1)
    _, tail = rest.split(END, 1)
    with open(args.update, "w") as f:
        f.write(head + BEGIN + "\n" + figures + END + tail)


if __name__ == "__main__":
    main()
