"""The viewer's comparison of channels with simulated vectors and its spectrum, in a real
browser: on the round-trip example's page (the RC bench against ngspice), on a page with a
simulation covering half the record, and on the default bench's TDS540."""
import os
import pathlib
import shutil
import subprocess

import numpy as np
import pytest
from selenium.webdriver.support.ui import Select

from conftest import ROOT, SCOPEHOST
from test_viewer import open_page, shown_measurements as shown


class Page:
    def __init__(self, html):
        self.html = html


@pytest.fixture(scope="session")
def round_trip(tmp_path_factory):
    if shutil.which("ngspice") is None:
        pytest.skip("ngspice is not installed")
    folder = tmp_path_factory.mktemp("round-trip")
    subprocess.run([str(ROOT / "examples/round-trip/round-trip.sh"), str(SCOPEHOST), str(folder)],
                   check=True, capture_output=True, timeout=120)
    return folder


def embedded(browser):
    return browser.execute_script(
        "return JSON.parse(document.getElementById('acquisition').textContent)")


def test_round_trip_simulation_lies_on_channel_2(browser, round_trip):
    open_page(browser, Page(round_trip / "round-trip.html"))
    data = embedded(browser)
    measured = np.array(data["columns"][2]["values"])
    simulated = np.array(data["references"][0]["values"])
    difference = measured - simulated
    figures = shown(browser, "comparisons")["ch2"]
    assert figures["rms"] == pytest.approx(np.sqrt(np.mean(difference ** 2)), rel=1e-9)
    assert figures["max"] == pytest.approx(np.abs(difference).max(), rel=1e-9)
    assert figures["maxRelative"] == pytest.approx(figures["max"] / np.ptp(measured), rel=1e-9)
    assert figures["covered"] == len(measured)
    # Within one code of the 8-bit digitizer at 0.5 V/div, and less than a sample apart.
    assert figures["max"] < 0.5 / 25
    assert abs(figures["shift"]) < 0.8e-6
    labels = browser.execute_script("return viewer.graph.getLabels()")
    assert labels[1:] == ["ch1 (V)", "ch2 (V)", "v(out) (simulated) (V)", "ch2 − v(out) (V)"]
    assert browser.execute_script("return document.querySelectorAll('.coverage').length") == 0


def test_a_simulation_covering_half_the_record_is_compared_there_and_said_so(browser, round_trip,
                                                                              tmp_path):
    measured = np.loadtxt(round_trip / "measured.csv", delimiter=",", comments="#", skiprows=7)
    half = measured[measured[:, 0] <= 1e-3]
    np.savetxt(tmp_path / "ch2.txt", half[:, [0, 2]])
    page = tmp_path / "half.html"
    subprocess.run([str(SCOPEHOST), "acquire", "tektronix", "--replay", str(round_trip / "rc.rec"),
                    "--html", str(page), "--reference", str(tmp_path / "ch2.txt")],
                   check=True, capture_output=True, timeout=60)
    open_page(browser, Page(page))
    figures = shown(browser, "comparisons")["ch2"]
    assert figures["covered"] == len(half)
    assert figures["max"] < 1e-12
    notes = browser.execute_script(
        "return Array.from(document.querySelectorAll('.coverage'), p => p.textContent)")
    assert len(notes) == 1 and f"{len(half)} of {len(measured)} samples" in notes[0]


@pytest.mark.parametrize("window", ["hann", "rectangular", "flattop"])
def test_spectrum_puts_the_tds540_channel_3_sine_at_its_frequency(browser, acquisitions, window):
    open_page(browser, acquisitions["tektronix"])
    Select(browser.find_element("id", "spectrum-window")).select_by_value(window)
    peak = shown(browser, "spectrum-peaks")["ch3"]
    assert abs(peak["frequency"] - 2000.0) <= peak["binWidth"]
    if window == "flattop":  # the flat-top reads a sine's level true: 2 V peak
        assert peak["volts"] == pytest.approx(2.0 / np.sqrt(2), rel=0.01)


def test_square_wave_harmonics_at_a_third_and_a_fifth(browser, round_trip):
    open_page(browser, Page(round_trip / "round-trip.html"))
    Select(browser.find_element("id", "spectrum-unit")).select_by_value("V")
    spectrum = np.array(browser.execute_script("""
        const g = viewer.spectrumGraph;
        return Array.from({length: g.numRows()},
                          (_, r) => [g.getValue(r, 0), g.getValue(r, 1)]);"""))
    frequencies, volts = spectrum[:, 0], spectrum[:, 1]
    fundamental = shown(browser, "spectrum-peaks")["ch1"]["frequency"]
    bin_width = frequencies[1]
    assert abs(fundamental - 1000.0) <= bin_width

    def strongest_near(frequency):
        near = np.abs(frequencies - frequency) <= 2 * bin_width
        k = np.flatnonzero(near)[np.argmax(volts[near])]
        return frequencies[k], volts[k]

    level = strongest_near(fundamental)[1]
    for harmonic in (3, 5):
        at, harmonic_level = strongest_near(harmonic * fundamental)
        assert abs(at - harmonic * 1000.0) <= 2 * bin_width
        # Two periods in the record: a bin is 305 Hz, and Hann's scalloping differs by harmonic.
        assert harmonic_level / level == pytest.approx(1 / harmonic, rel=0.15)
