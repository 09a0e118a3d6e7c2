#!/usr/bin/env python3
"""Turns benchmark results into the figures tables of docs/performance.md.

Usage: perf-table.py [BENCH_JSON] [--desktop DESKTOP_JSON] [--update DOC]
                     [--load-before L] [--load-after L]

BENCH_JSON is kelto_bench's Google Benchmark output (the in-process table, between the markers
<!-- figures:begin --> and <!-- figures:end -->); DESKTOP_JSON is kelto_desktop_bench's (the
user-view table, between <!-- desktop:begin --> and <!-- desktop:end -->). Without --update the
tables are printed; with it, the text between each table's markers in DOC is replaced and the
rest is left alone.
"""
import argparse
import json
import os
import platform
import re
import sys

MARKERS = {"figures": ("<!-- figures:begin -->", "<!-- figures:end -->"),
           "desktop": ("<!-- desktop:begin -->", "<!-- desktop:end -->")}
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


def run_line(date, cpus, mhz, load_before, load_after):
    return (f"Run {date} on {cpus} CPUs (`nproc`), {cpu_model()} at {mhz} MHz; load average "
            f"(1, 5, 15 min) {load_before or '?'} before the run, {load_after or '?'} after.")


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
        rows.append(("OpenDocument, 10.5 MB file (read, decode, load, colour what is in view and "
                     "queue the rest for idle time, caret at 0), in a warm process",
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
        rows.append(('Colouring step alone for a typed "/" (KeyPressEvent at the tick, not '
                     'key to screen), end of the 10.5 MB file / a 10-line file',
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
        run_line(ctx.get("date", "?"), ctx.get("num_cpus", os.cpu_count()),
                 ctx.get("mhz_per_cpu", "?"), load_before, load_after) +
        " Every figure is the median over the run's repetitions; wall time decides the target, "
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
                        ("Part/OpenAllColoured/10.5MB",
                         "OpenDocument until every colour is in (the queue finished at once)"),
                        ("Part/ReadAndDecode/10.5MB",
                         "read and decode into one array (LF to CR LF, two readings in chunks)"),
                        ("Part/LoadFile/10.5MB",
                         "LoadFile into a fresh control (read in chunks straight into the editor)"),
                        ("Part/FirstColouring/10.5MB",
                         "first colouring of a fresh load: CPPHighlight after LoadFile, until it "
                         "returns (what is in view styled, the rest queued)"),
                        ("Part/FirstColouringComplete/10.5MB",
                         "first colouring of a fresh load, until every colour is in"),
                        ("Part/CPPHighlight/10.5MB",
                         "recolouring the coloured file: CPPHighlight again, until it returns"),
                        ("Part/RecolouringComplete/10.5MB",
                         "recolouring the coloured file, until every colour is in (93,300 ranges, "
                         "most unchanged)"),
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


def desktop_table(data, load_before, load_after):
    """The user-view rows: Kelto beside QScintilla with its C++ lexer, medians of one run."""
    kelto = data["programs"].get("kelto", {})
    base = data["programs"].get("baseline", {})

    def median(rows, *names):
        values = sorted(v for n in names for v in rows.get(n, []))
        if not values:
            return None
        half = len(values) // 2
        return values[half] if len(values) % 2 else (values[half - 1] + values[half]) / 2

    def fmt(value, unit):
        if value is None:
            return "(not measured)"
        if unit == "ms":
            return f"{value:.1f} ms" if value >= 10 else f"{value:.2f} ms"
        if unit == "MiB":
            return f"{value:.1f} MiB"
        if unit == "px":
            return f"{value:,.0f} px"
        if unit == "%":
            return f"{value:.1f} %"
        return f"{value:g}"

    def ratio(k, b):
        return f"{k / b:.2f}" if k is not None and b else ""

    rows = []

    def row(label, names, unit, target="", check=None, also=None):
        """One row from the samples of `names` pooled; `also` adds a second figure after a
        slash (no ratio, no target)."""
        k, b = median(kelto, *names), median(base, *names)
        met = "" if check is None or k is None else verdict(check(k))
        shown_k, shown_b = fmt(k, unit), fmt(b, unit)
        if also:
            shown_k += " / " + fmt(median(kelto, *also), unit)
            shown_b += " / " + fmt(median(base, *also), unit)
        rows.append((label, target, shown_k, shown_b, ratio(k, b), met))

    small = {name: median(kelto, f"key/10-line-end/{name}")
             for name in ("type", "backspace", "delete", "left", "right")}
    small["arrows"] = median(kelto, "key/10-line-end/left", "key/10-line-end/right")
    small_ctrl_end = median(kelto, "key/10-line/ctrl_end")
    small_ctrl_home = median(kelto, "key/10-line/ctrl_home")

    def within(reference):
        return lambda k: k <= 2 and (reference is None or k <= 2 * reference)

    target = "<= 2 ms, <= 2 x the 10-line file's"
    for label, names, ref in [
            ("typed character", ["type"], small["type"]),
            ("Backspace", ["backspace"], small["backspace"]),
            ("Delete", ["delete"], small["delete"]),
            ("arrow (Left, Right)", ["left", "right"], small["arrows"])]:
        row(f"Key to screen, {label}, end of the 10.5 MB file",
            [f"key/10.5MB-end/{n}" for n in names], "ms", target, within(ref))
    row("Ctrl+End to screen, 10.5 MB file", ["key/10.5MB/ctrl_end"], "ms", target,
        within(small_ctrl_end))
    row("Ctrl+Home to screen, 10.5 MB file (from its end)", ["key/10.5MB/ctrl_home"], "ms",
        target, within(small_ctrl_home))
    row('Key to screen, typed "/", end of the 10.5 MB file', ["key/10.5MB-end/slash"], "ms")
    row("Key to screen, typed character, top of the 10.5 MB file", ["key/10.5MB-top/type"], "ms")
    row("Key to screen, Backspace / Delete / arrows, top of the 10.5 MB file",
        ["key/10.5MB-top/backspace", "key/10.5MB-top/delete", "key/10.5MB-top/left",
         "key/10.5MB-top/right"], "ms")
    row("Key to screen, typed character, end of a 10-line file", ["key/10-line-end/type"], "ms")
    row("Key to screen, Backspace / Delete / arrows, end of a 10-line file",
        ["key/10-line-end/backspace", "key/10-line-end/delete", "key/10-line-end/left",
         "key/10-line-end/right"], "ms")
    row("Ctrl+End / Ctrl+Home to screen, 10-line file",
        ["key/10-line/ctrl_end", "key/10-line/ctrl_home"], "ms")
    line = median(kelto, "key/10.5MB-end/type/first_area_px")
    row('Repainted at the colour tick after a typed "/", end of the 10.5 MB file',
        ["key/10.5MB-end/slash/later_area_px"], "px",
        "the recoloured line only" + (f" (<= {line:,.0f} px)" if line else ""),
        (lambda k: k <= line) if line else None)
    row("File > Open of the 10.5 MB file, from the dialog's return to the coloured window "
        "painted (fresh process)", ["open/10.5MB/return_to_painted"], "ms", "<= 50 ms",
        lambda k: k <= 50)
    row("Peak memory (VmHWM) with the 10.5 MB file open", ["open/10.5MB/peak_MiB"], "MiB",
        "<= 60 MiB", lambda k: k <= 60)
    row("Idle CPU, a file of one 20 MB line open, the window focused (the caret blinking; "
        "the baseline's does not blink)", ["idle/20MB-line/cpu_percent"], "%", "< 2 %",
        lambda k: k < 2)
    row("File > Open of the file of one 20 MB line, dialog's return to painted",
        ["open/20MB-line/return_to_painted"], "ms")
    row("File > Open of a 10-line file, dialog's return to painted",
        ["open/10-line/return_to_painted"], "ms")
    row("Peak memory with the 10-line file open / at start, no file",
        ["open/10-line/peak_MiB"], "MiB", also=["start/peak_MiB"])
    row("Start, no file: launch to first paint", ["start/first_paint"], "ms")
    row("Start: launch to the main window shown (mapped)", ["start/main_shown"], "ms")
    row("Start: first paint (the splash, in Kelto) to settled (no paint for 1 s after)",
        ["start/first_paint_to_settled"], "ms")
    row("Start: the main window's first paint to settled",
        ["start/main_first_paint_to_settled"], "ms", "<= 20 ms", lambda k: k <= 20)
    row("Start: resizes of the main window after it appeared", ["start/resizes_after_shown"],
        "count", "0", lambda k: k == 0)
    row("Start: the last such resize, after the window appeared",
        ["start/last_resize_after_shown"], "ms")

    head = (run_line(data.get("date", "?"), os.cpu_count(), cpu_mhz(), load_before,
                     load_after) +
            f" {data.get('launches', '?')} launches of each program for each file, "
            f"{data.get('rounds', '?')} round(s) of keys in each; every figure is the median "
            "of all its samples" +
            (f"; {data['failures']} launch(es) failed and are left out" if data.get("failures")
             else "") + ".")
    lines = [head, "",
             "| What, as the user sees it | Target | Kelto | QScintilla + C++ lexer | "
             "Kelto / baseline | |",
             "|---|---|---|---|---|---|"]
    lines += ["| " + " | ".join(r) + " |" for r in rows]
    return "\n".join(lines) + "\n"


def cpu_mhz():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("cpu MHz"):
                    return f"{float(line.split(':', 1)[1]):.0f}"
    except (OSError, ValueError):
        pass
    return "?"


def replace_block(doc, name, text, path):
    begin, end = MARKERS[name]
    if begin not in doc or end not in doc:
        sys.exit(f"{path}: no {begin} ... {end} markers")
    head, rest = doc.split(begin, 1)
    _, tail = rest.split(end, 1)
    return head + begin + "\n" + text + end + tail


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("json", nargs="?")
    parser.add_argument("--desktop")
    parser.add_argument("--update")
    parser.add_argument("--load-before", default="")
    parser.add_argument("--load-after", default="")
    args = parser.parse_args()
    if not args.json and not args.desktop:
        parser.error("give a kelto_bench result, a --desktop result, or both")
    blocks = {}
    if args.json:
        with open(args.json) as f:
            blocks["figures"] = table(json.load(f), args.load_before, args.load_after)
    if args.desktop:
        with open(args.desktop) as f:
            blocks["desktop"] = desktop_table(json.load(f), args.load_before, args.load_after)
    if not args.update:
        sys.stdout.write("\n".join(blocks.values()))
        return
    with open(args.update) as f:
        doc = f.read()
    for name, text in blocks.items():
        doc = replace_block(doc, name, text, args.update)
    with open(args.update, "w") as f:
        f.write(doc)


if __name__ == "__main__":
    main()
