#!/usr/bin/env python3
"""The Python package's cost over scopehost's: a TDS540 acquisition on the default simulated
bench, gpibscope.acquire("tektronix", gpib="sim") in this process against the same acquisition
inside scopehost, interleaved run by run. Inside scopehost is `scopehost acquire tektronix
--sim` less `scopehost props tektronix --sim` (the same process start, loading and sizing
without the GetData), wall and user + system time. Writes the medians in the benchmark
programs' JSON form, as "tektronix_acquisition/python" and ".../scopehost".

usage: python_acquisition.py SCOPEHOST PYTHON_PACKAGE_DIR OUT.json [--runs N]
"""
import statistics
import subprocess
import sys
import time

from measurement import arguments, children_cpu_seconds, median_entry, write_entries


def scopehost_run(scopehost, command):
    """(wall seconds, CPU seconds) of one scopehost process."""
    cpu, wall = children_cpu_seconds(), time.perf_counter()
    subprocess.run([scopehost, command, "tektronix", "--sim"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - wall, children_cpu_seconds() - cpu


def python_run(gpibscope):
    """(wall seconds, CPU seconds) of one acquisition in this process. The bench is loaded
    anew, as each scopehost process starts with it; that load counts against Python."""
    cpu, wall = time.process_time(), time.perf_counter()
    gpibscope.acquire("tektronix", gpib="sim", bench="default")
    return time.perf_counter() - wall, time.process_time() - cpu


def entry(name, runs, walls, cpus):
    return median_entry(name, runs, statistics.median(walls) * 1e9, statistics.median(cpus) * 1e9,
                        host_comparison=True)


def main():
    args = arguments("scopehost", "package_dir", default=10)
    sys.path.insert(0, args.package_dir)
    import gpibscope

    python_run(gpibscope)  # loads the module and the simulated library once, as scopehost does
    inside_scopehost, in_python = [], []
    for _ in range(args.runs):
        acquire = scopehost_run(args.scopehost, "acquire")
        sizes_only = scopehost_run(args.scopehost, "props")
        inside_scopehost.append((acquire[0] - sizes_only[0], acquire[1] - sizes_only[1]))
        in_python.append(python_run(gpibscope))
    entries = [entry(f"tektronix_acquisition/{host}", args.runs, [w for w, _ in runs],
                     [c for _, c in runs])
               for host, runs in (("scopehost", inside_scopehost), ("python", in_python))]
    write_entries(args.out, entries)


if __name__ == "__main__":
    main()
