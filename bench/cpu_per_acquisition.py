#!/usr/bin/env python3
"""CPU time per acquisition: runs `scopehost acquire DEVICE --sim` on the default simulated
bench a few times for each device type, and writes user + system time over wall time (all
runs together, and the highest single run) in the benchmark programs' JSON form, as
"scopehost_acquire/DEVICE".

usage: cpu_per_acquisition.py SCOPEHOST OUT.json [--runs N]
"""
import argparse
import json
import resource
import statistics
import subprocess
import time

DEVICES = ["hameg1", "hameg2", "tektronix", "philips"]


def children_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def one_run(scopehost, device):
    """(wall seconds, CPU seconds) of one acquisition."""
    cpu, wall = children_cpu_seconds(), time.perf_counter()
    subprocess.run([scopehost, "acquire", device, "--sim"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - wall, children_cpu_seconds() - cpu


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scopehost")
    parser.add_argument("out")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    entries = []
    for device in DEVICES:
        runs = [one_run(args.scopehost, device) for _ in range(args.runs)]
        walls = [wall for wall, _ in runs]
        cpus = [cpu for _, cpu in runs]
        entries.append({
            "name": f"scopehost_acquire/{device}",
            "run_name": f"scopehost_acquire/{device}",
            "run_type": "aggregate",
            "aggregate_name": "median",
            "iterations": args.runs,
            "real_time": statistics.median(walls) * 1e9,
            "cpu_time": statistics.median(cpus) * 1e9,
            "time_unit": "ns",
            "cpu_over_wall": sum(cpus) / sum(walls),
            "cpu_over_wall_highest": max(cpu / wall for wall, cpu in runs),
        })
    with open(args.out, "w") as out:
        json.dump({"context": {}, "benchmarks": entries}, out, indent=1)


if __name__ == "__main__":
    main()
