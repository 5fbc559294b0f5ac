#!/usr/bin/python3
"""Acquires from an oscilloscope, plots the channels and writes them as SPICE PWL sources.

usage: acquire_plot_pwl.py [DEVICE] [--gpib LIBRARY] [--bench BENCH] [--out DIR]

    PYTHONPATH=python examples/python/acquire_plot_pwl.py tektronix --gpib sim --out out/py

DEVICE is hameg1, hameg2, tektronix or philips (default tektronix); LIBRARY as scopehost's
--gpib (sim, linux-gpib, prologix or a path; default the system's GPIB library). Writes
DIR/DEVICE.png and DIR/DEVICE/ch1.pwl ... (no PWL in XY mode, which has no time axis).
"""
import argparse
import os
import sys

import matplotlib

matplotlib.use("Agg")  # files only: no display needed

import gpibscope  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("device", nargs="?", default="tektronix")
    parser.add_argument("--gpib")
    parser.add_argument("--bench")
    parser.add_argument("--out", default=".")
    args = parser.parse_args()

    try:
        scope = gpibscope.acquire(args.device, gpib=args.gpib, bench=args.bench,
                                  progress=True)
    except (gpibscope.Error, ValueError) as error:
        sys.exit(f"acquire_plot_pwl: {error}")
    print(scope)

    os.makedirs(args.out, exist_ok=True)
    plot = os.path.join(args.out, f"{args.device}.png")
    scope.plot().figure.savefig(plot)
    print(f"wrote {plot}")
    if scope.time is not None:
        for path in scope.to_pwl(os.path.join(args.out, args.device)):
            print(f"wrote {path}")


if __name__ == "__main__":
    main()
