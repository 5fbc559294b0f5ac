#!/usr/bin/env python3
"""Merges the benchmark programs' JSON outputs into one results file and prints the tables.

- Conversions and unpaced acquisitions: CPU time per call, each as a multiple of a memcpy of
  the bytes it reads and of the bytes it writes ("memcpy/<bytes>", measured in the same run).
  A multiple of at most 2 is at least half a memcpy's throughput.
- NumPy beside the module's TDS540 conversion, as a ratio of their CPU times.
- Acquisitions on a bus paced at 1 MB/s: wall time per call over the bus time of its bytes.
- CPU per acquisition through scopehost: user + system time over wall time.
Times are medians of the repetitions.

usage: report.py OUT.json IN.json... [--compare OLD.json]
"""
import argparse
import datetime
import json
import os
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


def nanoseconds(entry, key="cpu_time"):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[entry.get("time_unit", "ns")]
    return entry[key] * scale


def readable_time(ns):
    # 0.9995 of a unit already rounds to 1 of it at three digits.
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= 0.9995 * size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def readable_rate(per_second):
    for unit, size in (("G", 1e9), ("M", 1e6), ("k", 1e3)):
        if per_second >= size:
            return f"{per_second / size:.3g} {unit}"
    return f"{per_second:.3g}"


def git(*args):
    return subprocess.run(["git", *args], capture_output=True, text=True).stdout.strip()


def cpu_model():
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


def print_table(rows):
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for index, row in enumerate(rows):
        print("  ".join(cell.ljust(width) if i == 0 else cell.rjust(width)
                        for i, (cell, width) in enumerate(zip(row, widths))))
        if index == 0:
            print("  ".join("-" * width for width in widths))
    print()


def memcpy_multiple(benchmarks, entry, counter):
    reference = benchmarks.get(f"memcpy/{int(entry.get(counter, 0))}")
    if not entry.get(counter) or not reference:
        return ""
    return f"{nanoseconds(entry) / nanoseconds(reference):.2f}"


def work_table(benchmarks, earlier):
    header = ["benchmark", "time/call", "samples/s", "x memcpy read", "x memcpy written"]
    if earlier:
        header.append("vs earlier")
    rows = [header]
    for name, entry in benchmarks.items():
        if ("bus_seconds" in entry or "cpu_over_wall" in entry or "browser_ms" in entry
                or "host_comparison" in entry):
            continue
        ns = nanoseconds(entry)
        samples = entry.get("samples_per_call")
        row = [
            name,
            readable_time(ns),
            readable_rate(samples * 1e9 / ns) if samples else "",
            memcpy_multiple(benchmarks, entry, "bytes_read"),
            memcpy_multiple(benchmarks, entry, "bytes_written"),
        ]
        if earlier:
            before = earlier.get(name)
            row.append(f"{100.0 * (ns / nanoseconds(before) - 1.0):+.1f}%" if before else "new")
        rows.append(row)
    print_table(rows)


def paced_table(benchmarks):
    rows = [["acquisition on a 1 MB/s bus", "wall/call", "bus time/call", "wall / bus"]]
    for name, entry in benchmarks.items():
        if "bus_seconds" not in entry:
            continue
        wall = nanoseconds(entry, "real_time")
        bus = entry["bus_seconds"] * 1e9
        rows.append([name.removesuffix("/real_time"), readable_time(wall), readable_time(bus),
                     f"{wall / bus:.2f}"])
    if len(rows) > 1:
        print_table(rows)


def cpu_table(benchmarks):
    rows = [["scopehost acquire --sim", "runs", "wall", "user+system", "CPU / wall",
             "highest run"]]
    for name, entry in benchmarks.items():
        if "cpu_over_wall" not in entry:
            continue
        rows.append([name, str(entry["iterations"]), readable_time(nanoseconds(entry, "real_time")),
                     readable_time(nanoseconds(entry)), f"{100 * entry['cpu_over_wall']:.2f} %",
                     f"{100 * entry['cpu_over_wall_highest']:.2f} %"])
    if len(rows) > 1:
        print_table(rows)


def viewer_table(benchmarks):
    rows = [["viewer in headless Chromium", "runs", "median", "fastest", "slowest"]]
    for name, entry in benchmarks.items():
        if "browser_ms" not in entry:
            continue
        times = entry["browser_ms"]
        rows.append([name, str(entry["iterations"]), f"{entry['real_time'] / 1e6:.1f} ms",
                     f"{times[0]:.1f} ms", f"{times[-1]:.1f} ms"])
    if len(rows) > 1:
        print_table(rows)


def host_table(benchmarks):
    scopehost = benchmarks.get("tektronix_acquisition/scopehost")
    python = benchmarks.get("tektronix_acquisition/python")
    if not scopehost or not python:
        return
    rows = [["TDS540 acquisition, default bench", "runs", "wall", "user+system"]]
    for name, entry in (("inside scopehost", scopehost), ("gpibscope for Python", python)):
        rows.append([name, str(entry["iterations"]), readable_time(nanoseconds(entry, "real_time")),
                     readable_time(nanoseconds(entry))])
    rows.append(["Python over scopehost", "",
                 f"{100 * (python['real_time'] / scopehost['real_time'] - 1):+.1f} %",
                 f"{100 * (python['cpu_time'] / scopehost['cpu_time'] - 1):+.1f} %"])
    print_table(rows)


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
    context = dict(runs[0]["context"], cpu_model=cpu_model(), load_at_end=os.getloadavg())
    results = {
        "date": datetime.date.today().isoformat(),
        "commit": git("rev-parse", "HEAD"),
        "dirty": bool(git("status", "--porcelain", "--untracked-files=no")),
        "context": context,
        "benchmarks": benchmarks,
    }
    with open(args.out, "w") as out:
        json.dump(results, out, indent=1)

    earlier = json.load(open(args.compare))["benchmarks"] if args.compare else {}
    work_table(benchmarks, earlier)
    numpy_row = benchmarks.get("tds540_curve/numpy")
    module_row = benchmarks.get("tds540_curve/volts_and_time")
    if numpy_row and module_row:
        ratio = nanoseconds(numpy_row) / nanoseconds(module_row)
        print(f"tds540_curve: NumPy takes {ratio:.2f} times the module's CPU time "
              f"({numpy_row.get('label', '')})\n")
    paced_table(benchmarks)
    cpu_table(benchmarks)
    viewer_table(benchmarks)
    host_table(benchmarks)
    notes = {}
    for name, entry in benchmarks.items():
        if entry.get("label") and name != "tds540_curve/numpy":
            notes[name.split("/")[0]] = entry["label"]
    for label, note in notes.items():
        print(f"{label}: {note}")
    load = ", ".join(f"{value:.2f}" for value in context.get("load_avg", []))
    print(f"machine: {context['cpu_model']}, {context.get('num_cpus', '?')} CPUs; load average "
          f"at the start {load or '?'}, at the end "
          + ", ".join(f"{value:.2f}" for value in context["load_at_end"]))
    print("x memcpy: time per call over a memcpy of the same bytes (at most 2: at least half its "
          f"throughput); CPU time per call, median of the repetitions; written to {args.out}")


if __name__ == "__main__":
    main()
