#!/usr/bin/env python3
"""The viewer's spectrum and comparison in headless Chromium, on pages scopehost writes for the
TDS540 with four channels of 20000 points (tests/benches/tds540-full-record.toml):
  - spectrum: one redraw of the spectrum of the four channels over the whole record (windowed
    FFTs of 32768 points and the spectrum graph drawn), timed inside the page;
  - comparison open: from the start of the navigation to the end of the first complete drawing
    of a page that also compares channels 1 and 2 with two simulated vectors (the channels'
    own waveform files, read back), the comparison figures and the spectrum included.
Writes medians in the benchmark programs' JSON form, with real time only.

usage: viewer_spectrum_and_comparison.py SCOPEHOST OUT.json [--runs N]
"""
import pathlib
import subprocess
import tempfile

from selenium.webdriver.support.ui import WebDriverWait

from measurement import arguments, write_entries
from viewer_open_and_zoom import BENCH, browser, entry

# Milliseconds for one spectrum made and drawn.
SPECTRUM = """
const start = performance.now();
viewer.redrawSpectrum();
return performance.now() - start;
"""


def open_page(driver, page):
    driver.get(page.as_uri())
    WebDriverWait(driver, 60).until(lambda d: d.execute_script("return viewer.firstDrawAt"))
    return driver.execute_script("return viewer.firstDrawAt")


def main():
    args = arguments("scopehost")
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        plain, compared = folder / "tds540.html", folder / "compared.html"
        acquire = [args.scopehost, "acquire", "tektronix", f"--sim={BENCH}"]
        subprocess.run(acquire + ["--html", str(plain), "--wave", str(folder / "wave")],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(acquire + ["--html", str(compared),
                                  "--reference", str(folder / "wave/ch1.txt"),
                                  "--reference", str(folder / "wave/ch2.txt")],
                       check=True, stdout=subprocess.DEVNULL)
        driver = browser(folder / "profile")
        try:
            open_page(driver, plain)
            spectra = [driver.execute_script(SPECTRUM) for _ in range(5 * args.runs)]
            opens = [open_page(driver, compared) for _ in range(args.runs)]
        finally:
            driver.quit()
    write_entries(args.out, [entry("viewer/spectrum_redraw", len(spectra), spectra),
                             entry("viewer/comparison_open", len(opens), opens)])


if __name__ == "__main__":
    main()
