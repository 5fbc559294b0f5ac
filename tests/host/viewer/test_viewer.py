"""The waveform viewer in a real browser: what it shows against the CSV file of the same
acquisition, read by NumPy."""
import json
import math

import numpy as np
import pytest
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

from conftest import DEVICES

HYSTERESIS = 0.1  # of peak-to-peak around the mean, as the viewer's frequency estimate uses


def crossing_frequency(values, times, mean, peak_to_peak):
    """Rising crossings of the mean with hysteresis; None where fewer than two."""
    if times is None or not peak_to_peak > 0:
        return None
    low = mean - HYSTERESIS / 2 * peak_to_peak
    high = mean + HYSTERESIS / 2 * peak_to_peak
    outside = np.flatnonzero((values < low) | (values > high))
    above = values[outside] > high
    rising = outside[1:][above[1:] & ~above[:-1]]
    if len(rising) < 2:
        return None
    last_at_or_below = np.maximum.accumulate(
        np.where(values <= mean, np.arange(len(values)), -1))
    j = last_at_or_below[rising]
    at = times[j] + (mean - values[j]) * (times[j + 1] - times[j]) / (values[j + 1] - values[j])
    return (len(rising) - 1) / (at[-1] - at[0]) if at[-1] > at[0] else None


def reference(values, times):
    mean = np.mean(values)
    peak_to_peak = values.max() - values.min()
    return {"min": values.min(), "max": values.max(), "peakToPeak": peak_to_peak, "mean": mean,
            "rms": np.sqrt(np.mean(values * values)),
            "frequency": crossing_frequency(values, times, mean, peak_to_peak)}


def open_page(browser, acquisition):
    browser.get_log("browser")
    browser.get_log("performance")
    browser.get(acquisition.html.as_uri())
    WebDriverWait(browser, 30).until(lambda b: b.execute_script("return viewer.firstDrawAt"))


def shown_measurements(browser, table="measurements"):
    """A table's figures by its rows' channel and its cells' measure, as the page holds them."""
    cells = browser.execute_script(f"""
        return Array.from(document.querySelectorAll('#{table} td[data-measure]'),
            td => [td.parentElement.dataset.channel, td.dataset.measure, td.dataset.value]);""")
    shown = {}
    for channel, measure, value in cells:
        shown.setdefault(channel, {})[measure] = float(value) if value else None
    return shown


def assert_measurements(browser, acquisition, first, end):
    shown = shown_measurements(browser)
    assert list(shown) == list(acquisition.signals)
    times = None if acquisition.time is None else acquisition.time[first:end]
    for name, values in acquisition.signals.items():
        scale = np.max(np.abs(values[first:end]))
        for measure, expected in reference(values[first:end], times).items():
            got = shown[name][measure]
            if expected is None:
                assert got is None, (name, measure)
            else:
                assert math.isclose(got, expected, rel_tol=1e-9,
                                    abs_tol=0 if measure == "frequency" else 1e-9 * scale), \
                    (name, measure, got, expected)


def plot_area(browser):
    """The plot area's corner and size, as offsets from the canvas centre, and the canvas."""
    canvas = browser.find_element(By.CSS_SELECTOR, "#graph canvas")
    area = browser.execute_script("return viewer.graph.getArea()")
    x0 = area["x"] - canvas.size["width"] / 2
    y0 = area["y"] - canvas.size["height"] / 2
    return canvas, x0, y0, area["w"], area["h"]


def time_view_axis(acquisition):
    """What the time view draws against: the abscissa, or the sample number in an XY record."""
    if acquisition.headings[0] == "X (V)":
        return np.arange(len(acquisition.abscissa))
    return acquisition.abscissa


def set_xy(browser, on):
    box = browser.find_element(By.ID, "xy-mode")
    if box.is_selected() != on:
        box.click()


@pytest.fixture(params=DEVICES)
def page(request, browser, acquisitions):
    acquisition = acquisitions[request.param]
    open_page(browser, acquisition)
    return acquisition


def test_page_loads_offline_and_shows_the_csv_header(browser, page, screenshots):
    browser.save_screenshot(str(screenshots / f"{page.device}.png"))
    errors = [entry for entry in browser.get_log("browser") if entry["level"] == "SEVERE"]
    assert errors == []
    requests = [json.loads(entry["message"])["message"] for entry in browser.get_log("performance")]
    fetched = [r["params"]["request"]["url"] for r in requests
               if r["method"] == "Network.requestWillBeSent"]
    assert all(url == page.html.as_uri() or url.startswith("data:") for url in fetched), fetched
    shown = browser.execute_script("""
        const dt = document.querySelectorAll('#header-fields dt');
        return Array.from(dt, d => [d.textContent, d.nextElementSibling.textContent]);""")
    assert [tuple(field) for field in shown] == page.header
    switches = browser.execute_script("""
        return Array.from(document.querySelectorAll('#channels input'), i => i.dataset.channel);""")
    assert switches == list(page.channels)


def test_whole_record_measurements_equal_numpy(browser, page):
    assert_measurements(browser, page, 0, len(page.abscissa))


def test_dragged_zoom_measures_the_visible_range(browser, page):
    set_xy(browser, False)
    canvas, x0, y0, width, height = plot_area(browser)
    actions = ActionChains(browser).move_to_element_with_offset(
        canvas, int(x0 + 0.3 * width), int(y0 + height / 2)).click_and_hold()
    for step in range(1, 6):
        actions.move_by_offset(int(0.06 * width), 0)
    actions.release().perform()
    low, high = browser.execute_script("return viewer.graph.xAxisRange()")
    axis = time_view_axis(page)
    assert axis[0] < low < high < axis[-1]
    first = int(np.searchsorted(axis, low, "left"))
    end = int(np.searchsorted(axis, high, "right"))
    caption = browser.find_element(By.ID, "visible-range")
    assert (int(caption.get_attribute("data-first")), int(caption.get_attribute("data-end"))) == \
        (first, end)
    assert 0.2 < (end - first) / len(axis) < 0.4
    assert_measurements(browser, page, first, end)


def test_cursors_show_the_difference_of_the_samples_they_sit_on(browser, page, screenshots):
    set_xy(browser, False)
    canvas, x0, y0, width, height = plot_area(browser)
    for fraction in (0.25, 0.65):
        ActionChains(browser).move_to_element_with_offset(
            canvas, int(x0 + fraction * width), int(y0 + height / 2)).click().perform()
    table = browser.find_element(By.ID, "cursors")
    a = int(table.get_attribute("data-index-a"))
    b = int(table.get_attribute("data-index-b"))
    assert 0 < a < b < len(page.abscissa) - 1
    delta = table.find_element(By.CSS_SELECTOR, "#cursor-axis td:last-child")
    axis = time_view_axis(page)
    assert float(delta.get_attribute("data-value")) == axis[b] - axis[a]
    inverse = table.find_element(By.CSS_SELECTOR, "#cursor-inverse td:last-child")
    assert float(inverse.get_attribute("data-value")) == 1 / (axis[b] - axis[a])
    for k, values in enumerate(page.signals.values()):
        volts = table.find_element(By.CSS_SELECTOR, f"#cursor-signal-{k} td:last-child")
        assert float(volts.get_attribute("data-value")) == values[b] - values[a]
    browser.save_screenshot(str(screenshots / f"{page.device}-cursors.png"))


def test_channel_switches_hide_and_show_traces(browser, acquisitions):
    open_page(browser, acquisitions["tektronix"])
    for name in ("ch1", "ch2", "ch3", "ch2"):
        browser.find_element(By.CSS_SELECTOR, f'input[data-channel="{name}"]').click()
    assert browser.execute_script("return viewer.graph.visibility()") == [False, True, False]
    assert [entry["message"] for entry in browser.get_log("browser")] == []


@pytest.mark.parametrize("device, x, y", [("hameg2", "X", "Y"), ("tektronix", "ch1", "ch2")])
def test_xy_mode_draws_y_against_x(browser, acquisitions, screenshots, device, x, y):
    acquisition = acquisitions[device]
    open_page(browser, acquisition)
    set_xy(browser, True)
    Select(browser.find_element(By.ID, "xy-x")).select_by_visible_text(x)
    Select(browser.find_element(By.ID, "xy-y")).select_by_visible_text(y)
    drawn = browser.execute_script("""
        const g = viewer.graph;
        return Array.from({length: g.numRows()}, (_, r) => [g.getValue(r, 0), g.getValue(r, 1)]);""")
    columns = dict(zip((h.split(" ")[0] for h in acquisition.headings), acquisition.columns))
    expected = sorted(zip(columns[x], columns[y]))
    assert sorted(map(tuple, drawn)) == expected
    assert browser.execute_script("return viewer.graph.getOption('xlabel')") == f"{x} (V)"
    browser.save_screenshot(str(screenshots / f"{device}-xy.png"))


def test_page_is_small_and_refers_to_no_network(acquisitions):
    text = acquisitions["tektronix"].html.read_bytes()
    assert len(text) <= 3_000_000
    assert b"http:" not in text and b"https:" not in text
