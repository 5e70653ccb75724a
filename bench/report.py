#!/usr/bin/env python3
"""Pairs the benchmark results "ours/<case>" with "base/<case>" and prints one
Markdown table: benchmark, ours, baseline, ratio and the target, if any.

Usage: report.py --machine TEXT [--emulated ARCH] [--ceiling REGEX:FACTOR]
                 ARCH=FILE.json[,FILE.json...] ...
Each JSON file is Google Benchmark's --benchmark_format=json output (or the
Java benchmark's output in the same form); medians are used where the run
had repetitions. The rows of an architecture given with --emulated were
measured under a user-mode emulator: they are marked so, and no target is
judged on them, since their timings say nothing about the library.

--ceiling fails the run (exit status 1) when a pair whose case matches REGEX
is more than FACTOR times its baseline; the smoke run uses a loose one to
catch a pass that has turned quadratic, which one iteration shows at once.
Rows measured under an emulator are not held to it.
"""
import argparse
import json
import re
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}

# case (regular expression on <case>) -> (kind, target text, test)
#   kind "time": lower is better, ratio = ours / baseline
#   kind "rate": higher is better (bytes/s), ratio = ours / baseline
TARGETS = [
    (r"^File\.(Read|Write)\.64KiB", ">= 0.9x", lambda r: r >= 0.9),
    (r"^Exception\.what$", "<= 2x", lambda r: r <= 2.0),
    (r"^Parsing\.ParseDecimal$", "<= 2x", lambda r: r <= 2.0),
    (r"^Catalogue\.Registered$", "<= 1.5x", lambda r: r <= 1.5),
    # A number no table holds, against asking each loaded object once.
    (r"^Catalogue\.Unregistered/\d+$", "<= 2x", lambda r: r <= 2.0),
    (r"^LoadUnload( \(system library\))? vs start-up floor$", "<= 1.5x", lambda r: r <= 1.5),
    (r"^ErrorLocationScope 2 threads / 1 thread", ">= 1.8x", lambda r: r >= 1.8),
    (r"^JNI\.iGetVersion$", "<= 1.2x", lambda r: r <= 1.2),
    # Composing from a mebibyte must stay linear: a quadratic pass is
    # hundreds of times its one-pass floor.
    (r"^(FormatMessage|Exception\.what\.token|FileException\.what|FileString\.\w+)\.?1MiB$",
     "<= 20x", lambda r: r <= 20.0),
]


def load(files):
    """run_name -> entry (the median where there are aggregates)."""
    runs = {}
    for path in files:
        with open(path) as handle:
            data = json.load(handle)
        for entry in data.get("benchmarks", []):
            name = entry.get("run_name", entry["name"])
            aggregate = entry.get("aggregate_name")
            if entry.get("error_occurred"):
                runs[name] = dict(entry, error=True)
                continue
            if aggregate == "median" or (aggregate is None and name not in runs):
                runs[name] = entry
    return runs


def ns(entry):
    return entry["real_time"] * UNIT_NS[entry.get("time_unit", "ns")]


def show_time(value):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if value >= scale:
            return "%.3g %s" % (value / scale, unit)
    return "%.3g ns" % value


def show_rate(value):
    return "%.4g MiB/s" % (value / 1048576.0)


def target_of(case):
    for pattern, text, test in TARGETS:
        if re.search(pattern, case):
            return text, test
    return "", None


# (arch, case, ratio) of every pair measured natively, for --ceiling.
RATIOS = []


def rows_for(arch, runs, emulated=False):
    rows = []
    shown_arch = arch + " (emulated)" if emulated else arch

    def add(case, ours, base, kind, note=""):
        if ours is None or base is None:
            return
        if kind == "rate":
            ratio = ours / base if base else float("nan")
            shown = (show_rate(ours), show_rate(base))
        elif kind == "scale":
            ratio = ours / base if base else float("nan")
            shown = ("%.4g /s" % ours, "%.4g /s" % base)
        else:
            ratio = ours / base if base else float("nan")
            shown = (show_time(ours), show_time(base))
        if not emulated:
            RATIOS.append((arch, case, ratio))
        text, test = target_of(case)
        verdict = ""
        if test is not None and emulated:
            verdict = " (emulated, not judged)"
        elif test is not None:
            verdict = " (met)" if test(ratio) else " (MISSED)"
        rows.append((shown_arch, case + note, shown[0], shown[1], "%.2fx" % ratio, text + verdict))

    for name, entry in runs.items():
        if not name.startswith("ours/"):
            continue
        case = name[len("ours/"):]
        base = runs.get("base/" + case)
        if case == "LoadUnload.system" and "base/LoadUnload.StartupFloor" in runs:
            # The library the packages install, which finds its C++ runtime
            # in the process instead of carrying one.
            if not entry.get("error"):
                add("LoadUnload (system library) vs start-up floor", ns(entry),
                    ns(runs["base/LoadUnload.StartupFloor"]), "time")
            continue
        if entry.get("error") or (base is not None and base.get("error")):
            rows.append((shown_arch, case, "error", "error", "", ""))
            continue
        if base is None:
            continue
        label = case.replace("/real_time", "")
        if "bytes_per_second" in entry and case.startswith("File."):
            add(label, entry["bytes_per_second"], base["bytes_per_second"], "rate")
        else:
            add(label, ns(entry), ns(base), "time")
        if case == "LoadUnload" and "base/LoadUnload.StartupFloor" in runs:
            add("LoadUnload vs start-up floor", ns(entry),
                ns(runs["base/LoadUnload.StartupFloor"]), "time")
        if case == "LoadUnload" and "base/LoadUnload.RuntimeFloor" in runs:
            # Against an object that only carries the C++ runtime the library
            # links in, and that object against the start-up floor: how much
            # of a load the runtime's size and set-up take before the library
            # does any work of its own.
            add("LoadUnload vs runtime floor", ns(entry),
                ns(runs["base/LoadUnload.RuntimeFloor"]), "time")
            add("runtime floor vs start-up floor (reference)",
                ns(runs["base/LoadUnload.RuntimeFloor"]),
                ns(runs["base/LoadUnload.StartupFloor"]), "time")
        if case == "JNI.iGetVersion" and "base/JNI.empty" in runs:
            add("JNI.iGetVersion vs empty native", ns(entry), ns(runs["base/JNI.empty"]), "time")

    # The catalogue's walk: cost per loaded object between the fewest and most.
    walk = {}
    for side in ("ours", "base"):
        points = []
        for name, entry in runs.items():
            m = re.match(r"^%s/Catalogue\.Unregistered/(\d+)$" % side, name)
            if m and not entry.get("error"):
                points.append((entry.get("objects", 0), ns(entry)))
        points.sort()
        if len(points) >= 2 and points[-1][0] > points[0][0]:
            walk[side] = (points[-1][1] - points[0][1]) / (points[-1][0] - points[0][0])
    if len(walk) == 2:
        add("Catalogue.Unregistered per loaded object", walk["ours"], walk["base"], "time")

    # Error locations: aggregate throughput of two threads against one.
    for side in ("ours", "base"):
        one = runs.get("%s/ErrorLocationScope/real_time/threads:1" % side)
        two = runs.get("%s/ErrorLocationScope/real_time/threads:2" % side)
        if one and two and "items_per_second" in one and "items_per_second" in two:
            label = "ErrorLocationScope 2 threads / 1 thread"
            if side == "base":
                label = "plain per-thread stack 2 threads / 1 thread (reference)"
            add(label, two["items_per_second"], one["items_per_second"], "scale")
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--machine", default="")
    parser.add_argument("--emulated", action="append", default=[], metavar="ARCH",
                        help="an architecture measured under an emulator")
    parser.add_argument("--ceiling", action="append", default=[], metavar="REGEX:FACTOR",
                        help="fail when a matching case is more than FACTOR times its baseline")
    parser.add_argument("results", nargs="+", help="ARCH=FILE[,FILE...]")
    args = parser.parse_args()
    rows = []
    for item in args.results:
        arch, _, files = item.partition("=")
        rows.extend(rows_for(arch, load(files.split(",")), arch in args.emulated))
    out = []
    if args.machine:
        out.append(args.machine.rstrip() + "\n")
    out.append("| arch | benchmark | ours | baseline | ratio | target |")
    out.append("|---|---|---|---|---|---|")
    for row in rows:
        out.append("| " + " | ".join(row) + " |")
    print("\n".join(out))
    failed = 0
    for ceiling in args.ceiling:
        pattern, _, factor = ceiling.rpartition(":")
        matched = [(a, c, r) for a, c, r in RATIOS if re.search(pattern, c)]
        if not matched and not args.emulated:
            print("ceiling %s: no case matches" % ceiling)
            failed = 1
        for arch, case, ratio in matched:
            if not ratio <= float(factor):  # also a ratio that is not a number
                print("%s %s: %.2fx its baseline, above the ceiling of %sx" % (arch, case, ratio, factor))
                failed = 1
    return failed


if __name__ == "__main__":
    sys.exit(main())
