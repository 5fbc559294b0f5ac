#!/usr/bin/env python3
"""The TDS540 curve of conversion_bench converted as a user of Python's instrument-control
stack converts it: numpy.frombuffer of the 16-bit samples, scale and offset, numpy.arange times
the interval. Reads what `conversion_bench --save_tds540_curve=DIR` saved, checks that NumPy
gives the module's values bit for bit, and writes its CPU time per call (median of the
repetitions) in the benchmark programs' JSON form, as "tds540_curve/numpy".

usage: numpy_curve.py DIR OUT.json [--repetitions N]
"""
import json
import os
import time

import numpy

from measurement import arguments, median_entry, write_entries


def convert(block, points, volts_per_division, offset, interval):
    samples = numpy.frombuffer(block, dtype="<i2", count=points)
    volts = (samples * volts_per_division) * 0.00015625 + offset
    times = numpy.arange(points) * interval
    return volts, times


def same_bits(a, b):
    return a.dtype == b.dtype and a.shape == b.shape and a.tobytes() == b.tobytes()


def per_call(run, calls):
    """CPU and wall nanoseconds per call over `calls` calls."""
    cpu, wall = time.process_time_ns(), time.perf_counter_ns()
    for _ in range(calls):
        run()
    return (time.process_time_ns() - cpu) / calls, (time.perf_counter_ns() - wall) / calls


def main():
    args = arguments("directory", count="--repetitions")

    with open(os.path.join(args.directory, "curve.json")) as parameters_file:
        parameters = json.load(parameters_file)
    with open(os.path.join(args.directory, "block.bin"), "rb") as block_file:
        block = block_file.read()
    module_volts = numpy.fromfile(os.path.join(args.directory, "volts.f64"), dtype="<f8")
    module_times = numpy.fromfile(os.path.join(args.directory, "time.f64"), dtype="<f8")
    points = parameters["points"]

    def run():
        return convert(block, points, parameters["volts_per_division"], parameters["offset"],
                       parameters["interval"])

    volts, times = run()
    same = same_bits(volts, module_volts) and same_bits(times, module_times)

    # Enough calls for a repetition of about 0.2 s, as the benchmark programs' minimum time.
    calls = 1
    while per_call(run, calls)[1] * calls < 2e8:
        calls *= 4
    timings = sorted(per_call(run, calls) for _ in range(args.repetitions))
    cpu, wall = timings[len(timings) // 2]
    entry = median_entry(
        "tds540_curve/numpy", calls, wall, cpu, samples_per_call=points, bytes_read=len(block),
        bytes_written=2 * points * 8, label=f"NumPy {numpy.__version__}, "
        + ("the module's values bit for bit" if same else "VALUES DIFFER from the module's"))
    entry["name"] = "tds540_curve/numpy_median"
    write_entries(args.out, [entry])


if __name__ == "__main__":
    main()
