"""Two hosts of the same library agree: the package writes what scopehost writes, whole files
with their headers, and finds what scopehost's scan finds."""

import datetime
import os
import re
import subprocess

import numpy
import pytest

import gpibscope

from conftest import DEVICES

# The header lines that differ from one acquisition to the next.
WHEN = re.compile(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ|(?<=^# duration \(s\): ).*$", re.MULTILINE)


def timeless(path):
    """The file's text with the time of the acquisition and its duration masked."""
    with open(path, "rb") as stream:
        return WHEN.sub("", stream.read().decode("utf-8"))


@pytest.mark.parametrize("device", DEVICES)
def test_files_match_scopehost_on_the_default_bench(device, scopehost, tmp_path):
    theirs, ours = tmp_path / "scopehost", tmp_path / "python"
    theirs.mkdir(), ours.mkdir()
    subprocess.run([scopehost, "acquire", device, "--sim", "--csv", theirs / "a.csv", "--pwl",
                    theirs, "--wave", theirs], check=True, capture_output=True, timeout=60)
    acquisition = gpibscope.acquire(device, gpib="sim", bench="default")
    acquisition.to_csv(ours / "a.csv")
    assert timeless(ours / "a.csv") == timeless(theirs / "a.csv")
    if acquisition.xy:
        with pytest.raises(ValueError, match="XY mode"):
            acquisition.to_pwl(ours)
        return
    written = acquisition.to_pwl(ours) + acquisition.to_wave(ours)
    assert sorted(os.path.basename(p) for p in written) == sorted(
        name for name in os.listdir(theirs) if name != "a.csv")
    for path in written:
        name = os.path.basename(path)
        assert timeless(path) == timeless(theirs / name), name


def test_scan_matches_scopehost(scopehost):
    table = subprocess.run([scopehost, "scan", "--sim"], check=True, capture_output=True,
                           text=True, timeout=60).stdout
    listeners = gpibscope.scan(gpib="sim", bench="default")
    assert "".join(f"{listener.address!s:>3}  {listener.identification}\n"
                   for listener in listeners) == table


def test_numbers_are_written_as_std_to_chars_writes_them(tmp_path):
    # Outputs of std::to_chars(double): the shorter of fixed and exponent form, fixed on a tie,
    # whole numbers beyond 2**53 with all their digits.
    expected = {0.0001: "1e-04", 0.001: "0.001", 1e-5: "1e-05", 100.0: "100", 1e16: "1e+16",
                1e15: "1e+15", 123456789012345680.0: "123456789012345680", 2.5e16: "2.5e+16",
                -0.0: "-0", 1.23e-5: "1.23e-05", 1.7976931348623157e308: "1.7976931348623157e+308",
                5e-324: "5e-324", 12345.678: "12345.678", 4.0000000000000003e-07:
                "4.0000000000000003e-07", float.fromhex("0x1.44f136be9d95dp+60"):
                "1463409758124465408"}
    values = numpy.array(list(expected))
    acquisition = gpibscope.Acquisition(
        gpibscope.Device(2, "tektronix", "TDS540"), None, {"ch1": values}, False, len(values),
        datetime.datetime.now(datetime.timezone.utc), 0.5, [], "sample")
    acquisition.to_csv(tmp_path / "numbers.csv")
    rows = (tmp_path / "numbers.csv").read_text().splitlines()[-len(values):]
    assert {value: row.split(",")[1] for value, row in zip(expected, rows)} == expected
