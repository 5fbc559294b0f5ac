"""The package's viewer page is the one scopehost writes for the same data, a notebook shows
that same page, and the data in it cannot break out of its script element."""

import datetime
import html.parser
import json
import re
import subprocess

import numpy
import pytest

import gpibscope
from gpibscope import _library

from conftest import DEVICES

# The header fields that differ from one acquisition to the next.
WHEN = re.compile(r'\["(acquired at \(UTC\)|duration \(s\))","[^"]*"\]')


def timeless(page):
    page, fields = WHEN.subn(r'["\1",""]', page)
    assert fields == 2
    return page


def iframe_source(fragment):
    """The srcdoc attribute of the fragment's iframe, as a browser reads it."""
    sources = []

    class Parser(html.parser.HTMLParser):
        def handle_starttag(self, tag, attrs):
            sources.extend(value for name, value in attrs if tag == "iframe" and name == "srcdoc")

    Parser(convert_charrefs=True).feed(fragment)
    assert len(sources) == 1
    return sources[0]


@pytest.mark.parametrize("device", DEVICES)
def test_page_matches_scopehost_and_the_notebook_shows_it(device, scopehost, tmp_path):
    subprocess.run([scopehost, "acquire", device, "--sim", "--html", tmp_path / "theirs.html"],
                   check=True, capture_output=True, timeout=60)
    acquisition = gpibscope.acquire(device, gpib="sim", bench="default")
    ours = acquisition.to_html(tmp_path / "ours.html")
    with open(ours, encoding="utf-8", newline="") as stream:
        page = stream.read()
    theirs = (tmp_path / "theirs.html").read_bytes().decode("utf-8")
    assert timeless(page) == timeless(theirs)
    assert iframe_source(acquisition.viewer()._repr_html_()) == page


def test_a_missing_or_unfit_template_is_a_clear_error(monkeypatch, tmp_path):
    acquisition = gpibscope.acquire("hameg1", gpib="sim", bench="default")
    monkeypatch.setattr(_library, "viewer_template", str(tmp_path / "viewer.html"))
    with pytest.raises(gpibscope.Error, match="cannot read the viewer template .*viewer.html"):
        acquisition.to_html(tmp_path / "page.html")
    (tmp_path / "viewer.html").write_text("<html>no place for the data</html>")
    with pytest.raises(gpibscope.Error, match="holds no single place"):
        acquisition.to_html(tmp_path / "page.html")
    assert not (tmp_path / "page.html").exists()


def test_json_escapes_what_could_end_the_script_and_writes_non_finite_values_as_null(
        monkeypatch, tmp_path):
    # A template that is the placeholder alone: the page is the acquisition's JSON.
    (tmp_path / "json").write_text("__GPIBSCOPE_ACQUISITION__")
    monkeypatch.setattr(_library, "viewer_template", str(tmp_path / "json"))
    device = gpibscope.Device(2, "tektronix", '</script><b x="1">\n')
    acquisition = gpibscope.Acquisition(
        device, numpy.array([0.0, 1e-6, 2e-6]), {"ch1": numpy.array([numpy.nan, -numpy.inf, 0.1])},
        False, 3, datetime.datetime.now(datetime.timezone.utc), 0.5, [], "time")
    text = acquisition.viewer().page
    assert "<" not in text and "\n" not in text
    data = json.loads(text)
    assert data["header"][0] == ["device", device.text]
    assert data["columns"][1] == {"name": "ch1", "unit": "V", "values": [None, None, 0.1]}
