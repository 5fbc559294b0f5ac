"""Pages written by scopehost from the default simulated bench, opened in headless Chromium.

SCOPEHOST names the scopehost to run (default: build/bin/scopehost of the default preset);
VIEWER_SCREENSHOTS the folder for the screenshots (default: build/viewer-screenshots).
"""
import os
import pathlib
import subprocess
import tempfile

import numpy as np
import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

ROOT = pathlib.Path(__file__).resolve().parents[3]
SCOPEHOST = pathlib.Path(os.environ.get("SCOPEHOST", ROOT / "build/bin/scopehost"))
SCREENSHOTS = pathlib.Path(os.environ.get("VIEWER_SCREENSHOTS", ROOT / "build/viewer-screenshots"))
DEVICES = ["hameg1", "hameg2", "tektronix", "philips"]


class Acquisition:
    """One device's CSV file, read as NumPy reads it, and its page."""

    def __init__(self, device, folder):
        self.device = device
        self.csv = folder / f"{device}.csv"
        self.html = folder / f"{device}.html"
        subprocess.run([str(SCOPEHOST), "acquire", device, "--sim", "--csv", str(self.csv),
                        "--html", str(self.html)], check=True, capture_output=True, timeout=120)
        lines = self.csv.read_text().splitlines()
        comments = [line[2:] for line in lines if line.startswith("# ")]
        self.header = [tuple(line.split(": ", 1)) for line in comments]
        self.headings = lines[len(comments)].split(",")
        self.columns = np.loadtxt(self.csv, delimiter=",", comments="#", skiprows=len(comments) + 1,
                                  ndmin=2).T
        self.abscissa = self.columns[0]
        self.channels = {heading.split(" ")[0]: values
                         for heading, values in zip(self.headings[1:], self.columns[1:])}
        self.time = self.abscissa if self.headings[0] == "time (s)" else None
        # The columns in volts: an XY record's X signal and the channels.
        self.signals = dict({"X": self.abscissa} if self.headings[0] == "X (V)" else {},
                            **self.channels)


@pytest.fixture(scope="session")
def acquisitions():
    with tempfile.TemporaryDirectory() as folder:
        yield {device: Acquisition(device, pathlib.Path(folder)) for device in DEVICES}


@pytest.fixture(scope="session")
def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.TemporaryDirectory()
    # Without the background-networking flags Chromium reaches out on its own at start.
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--window-size=1280,1400", f"--user-data-dir={profile.name}"]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(60)
    driver.set_script_timeout(60)
    yield driver
    driver.quit()
    profile.cleanup()


@pytest.fixture(scope="session")
def screenshots():
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    return SCREENSHOTS
