"""Simulation results read back through the package, and the viewer page that compares them
with the channels: the same page scopehost writes with --reference."""

import os
import subprocess

import numpy
import pytest

import gpibscope

from conftest import ROOT
from test_viewer import timeless

SEEDS = os.path.join(ROOT, "fuzz", "seeds", "raw_file")


# ngspice wrote the same three points as text and as binary.
@pytest.mark.parametrize("name", ["ngspice-ascii.raw", "ngspice-binary.raw"])
def test_read_simulation_gives_time_and_named_vectors(name):
    simulation = gpibscope.read_simulation(os.path.join(SEEDS, name))
    numpy.testing.assert_array_equal(simulation.time, [0.0, 1e-6, 2.5e-6])
    assert list(simulation.vectors) == ["v(in)", "v(out)"]
    numpy.testing.assert_array_equal(simulation.vectors["v(out)"], [0.0, 0.25, 0.5])


def test_a_malformed_file_or_a_missing_channel_is_a_simulation_error(tmp_path):
    (tmp_path / "bad.txt").write_text("0 0\n1e-6 x\n")
    with pytest.raises(gpibscope.SimulationError, match="bad.txt: line 2"):
        gpibscope.read_simulation(tmp_path / "bad.txt")
    acquisition = gpibscope.acquire("hameg1", gpib="sim", bench="default")
    reference = os.path.join(SEEDS, "ngspice-ascii.raw") + ":v(out)=ch4"
    with pytest.raises(gpibscope.SimulationError, match='no acquired channel "ch4"'):
        acquisition.to_html(tmp_path / "page.html", reference=reference)
    assert not (tmp_path / "page.html").exists()


def test_page_with_references_matches_scopehost(scopehost, tmp_path):
    # One file matched by its vector's name, one by a pair.
    (tmp_path / "ch2.txt").write_text("".join(f"{k * 1e-4} {k % 3}\n" for k in range(30)))
    references = [str(tmp_path / "ch2.txt"),
                  os.path.join(SEEDS, "ngspice-binary.raw") + ":v(out)=ch1"]
    subprocess.run([scopehost, "acquire", "tektronix", "--sim", "rc-lowpass", "--html",
                    tmp_path / "theirs.html"] + [a for r in references for a in ("--reference", r)],
                   check=True, capture_output=True, timeout=60)
    acquisition = gpibscope.acquire("tektronix", gpib="sim", bench="rc-lowpass")
    ours = acquisition.to_html(tmp_path / "ours.html", reference=references)
    page = open(ours, encoding="utf-8", newline="").read()
    assert '"references":[{"name":"ch2"' in page
    assert timeless(page) == timeless((tmp_path / "theirs.html").read_bytes().decode("utf-8"))
    assert acquisition.viewer(reference=references).page == page
