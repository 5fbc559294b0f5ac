"""What the Python measurements beside the benchmark programs share: their command line, the
CPU time of the processes they start, and the benchmark programs' JSON form that report.py
reads."""
import argparse
import json
import resource


def arguments(*inputs, count="--runs", default=5):
    """The command line INPUT... OUT.json [--runs N] (or another count option)."""
    parser = argparse.ArgumentParser()
    for name in inputs:
        parser.add_argument(name)
    parser.add_argument("out")
    parser.add_argument(count, type=int, default=default)
    return parser.parse_args()


def children_cpu_seconds():
    """User + system seconds of the child processes that have ended."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def median_entry(name, iterations, wall_ns, cpu_ns, **extra):
    """One row as Google Benchmark writes a median aggregate, times in nanoseconds."""
    return {"name": name, "run_name": name, "run_type": "aggregate", "aggregate_name": "median",
            "iterations": iterations, "real_time": wall_ns, "cpu_time": cpu_ns,
            "time_unit": "ns", **extra}


def write_entries(path, entries):
    with open(path, "w") as out:
        json.dump({"context": {}, "benchmarks": entries}, out, indent=1)
