#!/usr/bin/env python3
"""Merges the benchmark programs' JSON outputs into one results file and prints a table.

Each label has a reference "<label>/memcpy" (a memcpy of the same bytes, measured in the same
run); every other figure of the label is shown as a multiple of it. Times are CPU times per
call, the median of the repetitions.

usage: report.py OUT.json IN.json... [--compare OLD.json]
"""
import argparse
import datetime
import json
import subprocess


def medians(run):
    """name -> benchmark entry: the median aggregate where there are repetitions."""
    chosen = {}
    for entry in run["benchmarks"]:
        name = entry.get("run_name", entry["name"])
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                chosen[name] = entry
        elif name not in chosen:
            chosen[name] = entry
    return chosen


def nanoseconds(entry):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry.get("time_unit", "ns")]
    return entry["cpu_time"] * scale


def readable_time(ns):
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def readable_rate(per_second):
    for unit, size in (("G", 1e9), ("M", 1e6), ("k", 1e3)):
        if per_second >= size:
            return f"{per_second / size:.3g} {unit}"
    return f"{per_second:.3g}"


def git(*args):
    return subprocess.run(["git", *args], capture_output=True, text=True).stdout.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("inputs", nargs="+")
    parser.add_argument("--compare", help="an earlier results file to compare with")
    args = parser.parse_args()

    runs = [json.load(open(path)) for path in args.inputs]
    benchmarks = {}
    for run in runs:
        benchmarks.update(medians(run))
    results = {
        "date": datetime.date.today().isoformat(),
        "commit": git("rev-parse", "HEAD"),
        "dirty": bool(git("status", "--porcelain", "--untracked-files=no")),
        "context": runs[0]["context"],
        "benchmarks": benchmarks,
    }
    with open(args.out, "w") as out:
        json.dump(results, out, indent=1)

    earlier = json.load(open(args.compare))["benchmarks"] if args.compare else {}
    header = ["benchmark", "time/call", "samples/s", "bytes/s", "x memcpy"]
    if earlier:
        header.append("vs earlier")
    rows = [header]
    notes = {}
    for name, entry in benchmarks.items():
        label = name.split("/")[0]
        reference = benchmarks.get(label + "/memcpy")
        ns = nanoseconds(entry)
        samples = entry.get("samples_per_call")
        row = [
            name,
            readable_time(ns),
            readable_rate(samples * 1e9 / ns) if samples else "",
            readable_rate(entry["bytes_per_second"]) + "B" if "bytes_per_second" in entry else "",
            "1" if name.endswith("/memcpy") or not reference
            else f"{ns / nanoseconds(reference):.1f}",
        ]
        if earlier:
            before = earlier.get(name)
            row.append(f"{100.0 * (ns / nanoseconds(before) - 1.0):+.1f}%" if before else "new")
        rows.append(row)
        if entry.get("label"):
            notes[label] = entry["label"]
    widths = [max(len(row[i]) for row in rows) for i in range(len(header))]
    for index, row in enumerate(rows):
        print("  ".join(cell.ljust(width) if i == 0 else cell.rjust(width)
                        for i, (cell, width) in enumerate(zip(row, widths))))
        if index == 0:
            print("  ".join("-" * width for width in widths))
    for label, note in notes.items():
        print(f"{label}: {note}")
    print(f"CPU time per call, median of the repetitions; written to {args.out}")


if __name__ == "__main__":
    main()
