#!/usr/bin/env python3
"""The waveform viewer in headless Chromium, on the page scopehost writes for the TDS540 with
four channels of 20000 points (tests/benches/tds540-full-record.toml):
  - open: from the start of the navigation to the end of the first complete drawing (the
    graph, the overview strip and the measurements), a fresh load each run;
  - zoom: one redraw at a new visible range, ranges a tenth of the record wide stepping across
    it, timed inside the page: "viewer/zoom_draw" until dygraphs has drawn and the
    measurements over the range are shown, "viewer/zoom_frame" until the next frame the
    browser paints (which waits for the frame clock as well).
Writes medians in the benchmark programs' JSON form, with real time only (the browser's CPU
time is not the page's).

usage: viewer_open_and_zoom.py SCOPEHOST OUT.json [--runs N]
"""
import pathlib
import statistics
import subprocess
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

from measurement import arguments, median_entry, write_entries

BENCH = pathlib.Path(__file__).resolve().parents[1] / "tests/benches/tds540-full-record.toml"
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--window-size=1280,1000"]

# Milliseconds from before the new range is set to the end of the drawing, and to the next frame.
ZOOM = """
const [fraction, done] = arguments;
const g = viewer.graph;
const [low, high] = g.xAxisExtremes();
const from = low + fraction * (high - low);
const start = performance.now();
g.updateOptions({dateWindow: [from, from + 0.1 * (high - low)]});
const drawn = performance.now() - start;
requestAnimationFrame(() => done([drawn, performance.now() - start]));
"""


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS + [f"--user-data-dir={profile}"]:
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def entry(name, runs, milliseconds):
    return median_entry(name, runs, statistics.median(milliseconds) * 1e6, 0.0,
                        browser_ms=sorted(milliseconds))


def main():
    args = arguments("scopehost")

    with tempfile.TemporaryDirectory() as folder:
        page = pathlib.Path(folder) / "tds540.html"
        subprocess.run([args.scopehost, "acquire", "tektronix", f"--sim={BENCH}", "--html",
                        str(page)], check=True, stdout=subprocess.DEVNULL)
        page_bytes = page.stat().st_size
        driver = browser(pathlib.Path(folder) / "profile")
        try:
            opens, draws, frames = [], [], []
            for _ in range(args.runs):
                driver.get(page.as_uri())
                WebDriverWait(driver, 60).until(
                    lambda d: d.execute_script("return viewer.firstDrawAt"))
                opens.append(driver.execute_script("return viewer.firstDrawAt"))
                for step in range(9):
                    drawn, framed = driver.execute_async_script(ZOOM, step / 10)
                    draws.append(drawn)
                    frames.append(framed)
        finally:
            driver.quit()
    entries = [entry("viewer/open", len(opens), opens),
               entry("viewer/zoom_draw", len(draws), draws),
               entry("viewer/zoom_frame", len(frames), frames)]
    entries[0]["page_bytes"] = page_bytes
    write_entries(args.out, entries)


if __name__ == "__main__":
    main()
