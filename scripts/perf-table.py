#!/usr/bin/env python3
"""Turns benchmark results into the figures tables of docs/performance.md.

Usage: perf-table.py [BENCH_JSON] [--desktop DESKTOP_JSON] [--update DOC]
                     [--load-before L] [--load-after L]

BENCH_JSON is kelto_bench's Google Benchmark output (the in-process table, between the markers
<!-- figures:begin --> and <!-- figures:end -->); DESKTOP_JSON is kelto_desktop_bench's (the
user-view table, between <!-- desktop:begin --> and <!-- desktop:end -->; --desktop may be given
more than once, for a table taken in parts). Without --update the
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
        "| What | Budget | Measured (wall) | CPU time | |",
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


PEERS = [("geany", "Geany"), ("kate", "Kate"), ("featherpad", "FeatherPad")]
OTHERS = [("baseline", "QScintilla + C++ lexer")]


def merge_desktop(runs):
    """The samples of several desktop runs (parts of one table) pooled, program by program."""
    merged = {"programs": {}, "launches": 0, "failures": 0, "dates": []}
    for data in runs:
        merged["dates"].append(data.get("date", "?"))
        merged["launches"] = max(merged["launches"], data.get("launches", 0))
        merged["failures"] += data.get("failures", 0)
        for program, rows in data["programs"].items():
            into = merged["programs"].setdefault(program, {})
            for row, samples in rows.items():
                into.setdefault(row, []).extend(samples)
    return merged


def desktop_table(data, load_before, load_after):
    """The user-view rows: Kelto beside the peers (and the QScintilla baseline, when it ran),
    medians of one run, with Kelto's ratio to the best peer of each row."""
    programs = data["programs"]
    peers = [(key, name) for key, name in PEERS if key in programs]
    others = [(key, name) for key, name in OTHERS if key in programs]
    shown = [("kelto", "Kelto")] + peers + others

    def median(program, *names):
        values = sorted(v for n in names for v in programs.get(program, {}).get(n, []))
        if not values:
            return None
        half = len(values) // 2
        return values[half] if len(values) % 2 else (values[half - 1] + values[half]) / 2

    def fmt(value, unit):
        if value is None:
            return "-"
        if unit == "ms":
            return (f"{value:,.0f} ms" if value >= 100 else
                    f"{value:.1f} ms" if value >= 10 else f"{value:.2f} ms")
        if unit == "MiB":
            return f"{value:.1f} MiB"
        if unit == "px":
            return f"{value:,.0f} px"
        if unit == "%":
            return f"{value:.1f} %"
        return f"{value:g}"

    rows = []
    best_at = {}

    def row(label, names, unit, target=None):
        """One row from the samples of `names` pooled. target: the largest ratio of Kelto to
        the best peer that meets it (None: context only); for "%" rows, the points above the
        best peer."""
        values = {key: median(key, *names) for key, _ in shown}
        peer_values = [(values[key], name) for key, name in peers if values[key] is not None]
        best = min(peer_values) if peer_values else None
        k = values["kelto"]
        ratio, met, target_text = "", "", ""
        if best is not None and k is not None:
            if unit == "%":
                ratio = f"{k - best[0]:+.1f} points"
            elif best[0] > 0:
                ratio = f"{k / best[0]:.2f}"
            if target is not None:
                if unit == "%":
                    met = verdict(k <= best[0] + target)
                else:
                    met = verdict(best[0] > 0 and k / best[0] <= target)
            best_at.setdefault(best[1], []).append(label)
        if target is not None:
            target_text = (f"<= best peer + {target:g} points" if unit == "%"
                           else f"<= {target:g} x best peer")
        rows.append([label, target_text] + [fmt(values[key], unit) for key, _ in shown] +
                    [best[1] if best else "", ratio, met])

    files = [("10.5MB", "the 10.5 MB file"), ("20MB-line", "the file of one 20 MB line"),
             ("10-line", "a 10-line file")]
    for label, name in files:
        row(f"Start with {name} to its window painted, coloured, settled",
            [f"open/{label}/launch_to_painted"], "ms", 1.2)
        row(f"Peak memory (VmHWM) with {name} open", [f"open/{label}/peak_MiB"], "MiB", 1.2)
    for pace, pace_name, target in [("active", "right after activity", 1.2),
                                    ("quiet", "after a quiet gap", None)]:
        for label, name in [("10.5MB", "end of the 10.5 MB file"),
                            ("20MB-line", "end of the 20 MB line")]:
            key = f"key/{pace}/{label}-end"
            row(f"Key to screen {pace_name}, typed character, {name}", [f"{key}/type"], "ms",
                target)
            row(f"Key to screen {pace_name}, Backspace / Delete, {name}",
                [f"{key}/backspace", f"{key}/delete"], "ms", target)
            row(f"Key to screen {pace_name}, arrows, {name}", [f"{key}/left", f"{key}/right"],
                "ms", target)
        for label, name in [("10.5MB", "the 10.5 MB file"), ("20MB-line", "the 20 MB line")]:
            row(f"Ctrl+End / Ctrl+Home to screen {pace_name}, {name}",
                [f"key/{pace}/{label}/ctrl_end", f"key/{pace}/{label}/ctrl_home"], "ms", target)
        row(f'Key to screen {pace_name}, typed "/", end of the 10.5 MB file',
            [f"key/{pace}/10.5MB-end/slash"], "ms")
        row(f"Key to screen {pace_name}, any key, top of the 10.5 MB file",
            [f"key/{pace}/10.5MB-top/{n}" for n in
             ("type", "backspace", "delete", "left", "right", "slash")], "ms")
        row(f"Key to screen {pace_name}, any key, end of a 10-line file",
            [f"key/{pace}/10-line-end/{n}" for n in
             ("type", "backspace", "delete", "left", "right", "slash")], "ms")
    row("Idle CPU, the file of one 20 MB line open, the window focused, 5 s",
        ["idle/20MB-line/cpu_percent"], "%", 0.5)
    row('Repainted after a typed "/" until quiet (the colour tick), end of the 10.5 MB file',
        ["key/quiet/10.5MB-end/slash/later_area_px"], "px")
    row("Start: launch to the first paint (the 10-line file)", ["start/10-line/first_paint"],
        "ms")
    row("Start: launch to the main window shown (the 10-line file)",
        ["start/10-line/main_shown"], "ms")

    sizes = ", ".join(
        f"{name} {median(key, 'window/width'):.0f} x {median(key, 'window/height'):.0f}"
        for key, name in shown if median(key, "window/width") is not None)
    dates = data.get("dates") or [data.get("date", "?")]
    head = (run_line(dates[0] + (f" (in {len(dates)} parts, the last {dates[-1]})"
                                 if len(dates) > 1 else ""),
                     os.cpu_count(), cpu_mhz(), load_before, load_after) +
            f" {data.get('launches', '?')} launches of each program with each file, "
            "interleaved; every figure is the median of all its samples" +
            (f"; {data['failures']} launch(es) failed and are left out" if data.get("failures")
             else "") + f". Main windows (pixels): {sizes}.")
    names = [name for _, name in shown]
    lines = [head, "",
             "| What, as the user sees it | Target | " + " | ".join(names) +
             " | Best peer | Kelto / best peer | |",
             "|---|---|" + "---|" * len(names) + "---|---|---|"]
    lines += ["| " + " | ".join(r) + " |" for r in rows]
    if best_at:
        lines += ["", "Best peer, row by row: " + "; ".join(
            f"{name} in {len(labels)} row(s)" for name, labels in sorted(best_at.items())) + "."]
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
    parser.add_argument("--desktop", action="append", default=[],
                        help="a desktop result; several are parts of one table")
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
        runs = []
        for path in args.desktop:
            with open(path) as f:
                runs.append(json.load(f))
        blocks["desktop"] = desktop_table(merge_desktop(runs), args.load_before,
                                          args.load_after)
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
