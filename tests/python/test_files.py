"""Two hosts of the same module agree: the package writes what scopehost writes."""

import os
import subprocess

import pytest

import gpibscope
from gpibscope._numbers import format_number

from conftest import DEVICES


def data_lines(path, comment):
    """The lines of a file but its comments, which hold the time of the acquisition."""
    with open(path, encoding="utf-8") as stream:
        return [line for line in stream if not line.startswith(comment)]


@pytest.mark.parametrize("device", DEVICES)
def test_files_match_scopehost_on_the_default_bench(device, scopehost, tmp_path):
    theirs, ours = tmp_path / "scopehost", tmp_path / "python"
    theirs.mkdir(), ours.mkdir()
    subprocess.run([scopehost, "acquire", device, "--sim", "--csv", theirs / "a.csv", "--pwl",
                    theirs, "--wave", theirs], check=True, capture_output=True, timeout=60)
    acquisition = gpibscope.acquire(device, gpib="sim", bench="default")
    acquisition.to_csv(ours / "a.csv")
    assert data_lines(ours / "a.csv", "#") == data_lines(theirs / "a.csv", "#")
    if acquisition.xy:
        with pytest.raises(ValueError, match="XY mode"):
            acquisition.to_pwl(ours)
        return
    written = acquisition.to_pwl(ours) + acquisition.to_wave(ours)
    assert sorted(os.path.basename(p) for p in written) == sorted(
        name for name in os.listdir(theirs) if name != "a.csv")
    for path in written:
        name = os.path.basename(path)
        assert data_lines(path, "*") == data_lines(theirs / name, "*"), name


def test_numbers_are_written_as_std_to_chars_writes_them():
    # Outputs of std::to_chars(double): the shorter of fixed and exponent form, fixed on a tie,
    # whole numbers beyond 2**53 with all their digits.
    expected = {0.0001: "1e-04", 0.001: "0.001", 1e-5: "1e-05", 100.0: "100", 1e16: "1e+16",
                1e15: "1e+15", 123456789012345680.0: "123456789012345680", 2.5e16: "2.5e+16",
                -0.0: "-0", 1.23e-5: "1.23e-05", 1.7976931348623157e308: "1.7976931348623157e+308",
                5e-324: "5e-324", 12345.678: "12345.678", 4.0000000000000003e-07:
                "4.0000000000000003e-07", float.fromhex("0x1.44f136be9d95dp+60"):
                "1463409758124465408"}
    assert {value: format_number(value) for value in expected} == expected
