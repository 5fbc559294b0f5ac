#!/usr/bin/env python3
"""CPU time per acquisition: runs `scopehost acquire DEVICE --sim` on the default simulated
bench a few times for each device type, and writes user + system time over wall time (all
runs together, and the highest single run) in the benchmark programs' JSON form, as
"scopehost_acquire/DEVICE".

usage: cpu_per_acquisition.py SCOPEHOST OUT.json [--runs N]
"""
import statistics
import subprocess
import time

from measurement import arguments, children_cpu_seconds, median_entry, write_entries


def device_names(scopehost):
    """The short names `scopehost devices` lists, one device type a line."""
    listing = subprocess.run([scopehost, "devices"], check=True, capture_output=True, text=True)
    return [line.split()[1] for line in listing.stdout.splitlines()]


def one_run(scopehost, device):
    """(wall seconds, CPU seconds) of one acquisition."""
    cpu, wall = children_cpu_seconds(), time.perf_counter()
    subprocess.run([scopehost, "acquire", device, "--sim"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - wall, children_cpu_seconds() - cpu


def main():
    args = arguments("scopehost")

    entries = []
    for device in device_names(args.scopehost):
        runs = [one_run(args.scopehost, device) for _ in range(args.runs)]
        walls = [wall for wall, _ in runs]
        cpus = [cpu for _, cpu in runs]
        entries.append(median_entry(
            f"scopehost_acquire/{device}", args.runs, statistics.median(walls) * 1e9,
            statistics.median(cpus) * 1e9, cpu_over_wall=sum(cpus) / sum(walls),
            cpu_over_wall_highest=max(cpu / wall for wall, cpu in runs)))
    write_entries(args.out, entries)


if __name__ == "__main__":
    main()
