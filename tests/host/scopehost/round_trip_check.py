"""Checks the round-trip example's page: the simulated filter output covers the whole record
and matches channel 2 to within one code of the TDS540's 8-bit digitizer at the bench's
0.5 V/div (a 25th of a division, 20 mV).

    /usr/bin/python3 round_trip_check.py PAGE
"""
import json
import re
import sys

VOLTS_PER_DIVISION = 0.5
CODES_PER_DIVISION = 25


def embedded_acquisition(page):
    found = re.search(r'<script type="application/json" id="acquisition">(.*?)</script>', page,
                      re.S)
    return json.loads(found.group(1))


def main(path):
    with open(path, encoding="utf-8") as file:
        acquisition = embedded_acquisition(file.read())
    [reference] = acquisition["references"]
    assert reference["channel"] == "ch2", reference["channel"]
    channel = next(c for c in acquisition["columns"] if c["name"] == "ch2")["values"]
    simulated = reference["values"]
    assert None not in simulated, "the simulation does not cover the whole record"
    worst = max(abs(m - s) for m, s in zip(channel, simulated))
    resolution = VOLTS_PER_DIVISION / CODES_PER_DIVISION
    print(f"largest difference {worst * 1e3:.2f} mV, resolution {resolution * 1e3:.1f} mV, "
          f"{len(channel)} points")
    assert worst <= resolution, f"simulated output {worst} V away from channel 2"


if __name__ == "__main__":
    main(sys.argv[1])
