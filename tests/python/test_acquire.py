"""What the package adds over the module: modes, progress, messages, errors, one library."""

import os
import sys
import types

import numpy
import pytest

import gpibscope
from conftest import ROOT, run_python

SINGLE_TDS540 = "tds540"  # a shipped bench with the TDS540 alone: no DEV1, no DEV8


def test_devices_and_listeners_of_the_default_bench():
    assert [(d.type, d.name) for d in gpibscope.devices()] == [
        (0, "hameg1"), (1, "hameg2"), (2, "tektronix"), (3, "philips")]
    listeners = gpibscope.scan(gpib="sim", bench="default")
    assert [listener.address for listener in listeners] == [1, 2, 5, 8, 12]
    assert listeners[2].identification.startswith("TEKTRONIX,TDS 540")


def test_time_mode_and_xy_mode():
    normal = gpibscope.acquire(0, gpib="sim", bench="default")
    assert not normal.xy and list(normal.channels) == ["ch1", "ch2"]
    assert normal.time[0] == 0 and (numpy.diff(normal.time) > 0).all()
    assert normal.points == len(normal.time) == 2048
    assert normal.acquired_at.tzinfo is not None and normal.duration > 0
    xy = gpibscope.acquire("hameg2", gpib="sim", bench="default")
    assert xy.xy and xy.time is None and list(xy.channels) == ["X", "Y"]
    assert "(XY)" in repr(xy) and "<table>" in xy._repr_html_()


def test_progress_steps_as_the_module_sends_them():
    steps = []
    gpibscope.acquire("hameg1", gpib="sim", bench="default",
                      progress=lambda position, total: steps.append((position, total)))
    assert steps == [(k, 9) for k in range(1, 10)]
    steps.clear()
    with pytest.raises(gpibscope.AcquisitionError):
        gpibscope.acquire("hameg1", gpib="sim", bench=SINGLE_TDS540,
                          progress=lambda position, total: steps.append(position))
    assert steps == [1, 0]  # a failure sets the bar back to 0


def test_an_exception_in_the_progress_callable_is_raised_after_the_acquisition():
    def broken(position, total):
        raise KeyError("from the callable")

    with pytest.raises(KeyError, match="from the callable"):
        gpibscope.acquire("tektronix", gpib="sim", bench="default", progress=broken)
    assert gpibscope.acquire("tektronix", gpib="sim").points == 15000


@pytest.mark.parametrize("device, summary, message", [
    # The Philips fails in GetTransProperties, whose message goes to an earlier callback.
    ("philips", "no array sizes for Philips(DEV8) PM3323", "Cant open Philips at DEV8 !"),
    ("hameg1", "no waveforms from Hameg(DEV1) HM408", "Cant open Hameg at DEV1 !"),
])
def test_a_failure_carries_the_module_messages(device, summary, message):
    with pytest.raises(gpibscope.AcquisitionError) as failure:
        gpibscope.acquire(device, gpib="sim", bench=SINGLE_TDS540)
    assert failure.value.messages == [message]
    assert str(failure.value) == f"{summary}: {message}"
    assert isinstance(failure.value, gpibscope.Error)


@pytest.mark.parametrize("arguments, match", [
    ({"device": "scope9"}, "unknown device 'scope9'"),
    ({"device": 4}, "unknown device 4"),
    ({"device": "tektronix", "bench": "no-such-bench"}, "unknown bench 'no-such-bench'"),
])
def test_unknown_device_or_bench(arguments, match):
    with pytest.raises(ValueError, match=match):
        gpibscope.acquire(gpib="sim", **arguments)


def test_a_rejected_bench_file_is_a_value_error(tmp_path):
    bench = tmp_path / "bad.toml"
    bench.write_text('[[device]]\nmodel = "hm999"\naddress = 1\n')
    with pytest.raises(ValueError, match="bad.toml"):
        gpibscope.acquire("hameg1", gpib="sim", bench=bench)


def test_a_second_gpib_library_is_refused():
    gpibscope.acquire("tektronix", gpib="sim")
    bridge = os.path.join(ROOT, "build", "bridges", "prologix", "libgpib-32.so")
    for other in (bridge, None):
        with pytest.raises(gpibscope.GpibLibraryError, match="already uses .*libgpib-32.so"):
            gpibscope.acquire("tektronix", gpib=other)


def test_gpib_library_errors():
    missing = gpibscope.GpibLibraryError
    with pytest.raises(missing, match="no GPIB library at /nonexistent/libgpib-32.so"):
        gpibscope.acquire("tektronix", gpib="/nonexistent/libgpib-32.so")
    # None is the library the loader finds by its name: here there is none.
    environment = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
    result = run_python(
        "import gpibscope\n"
        "try:\n gpibscope.acquire('tektronix')\n"
        "except gpibscope.GpibLibraryError as error:\n print(error)\n",
        env={**environment, "PYTHONPATH": os.path.join(ROOT, "python")})
    assert result.stdout.startswith("no GPIB library: the loader finds no libgpib-32.so"), (
        result.stdout + result.stderr)


def test_to_pandas_and_plot():
    pandas = pytest.importorskip("pandas")
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    acquisition = gpibscope.acquire("philips", gpib="sim", bench="default")
    frame = acquisition.to_pandas()
    assert isinstance(frame, pandas.DataFrame) and list(frame.columns) == ["ch1", "ch2"]
    assert (frame.index.to_numpy() == acquisition.time).all()
    assert len(acquisition.plot().get_lines()) == 2


def test_gpibscope_module_names_the_module(monkeypatch):
    monkeypatch.setenv("GPIBSCOPE_MODULE", "/nonexistent/libgpibscope.so")
    with pytest.raises(gpibscope.Error, match="no driver module at /nonexistent/libgpibscope.so"):
        gpibscope.devices()
    assert gpibscope.devices(module=os.path.join(ROOT, "build", "lib", "libgpibscope.so"))


def test_progress_true_in_a_notebook_updates_one_html_bar(monkeypatch):
    shown = []

    class Handle:
        def update(self, markup):
            shown.append(markup)

    def display(markup, display_id):
        shown.append(markup)
        return Handle()

    ipython = types.ModuleType("IPython")
    ipython.get_ipython = lambda: types.SimpleNamespace(kernel=object())
    ipython_display = types.ModuleType("IPython.display")
    ipython_display.display, ipython_display.HTML = display, str
    monkeypatch.setitem(sys.modules, "IPython", ipython)
    monkeypatch.setitem(sys.modules, "IPython.display", ipython_display)
    gpibscope.acquire("hameg1", gpib="sim", bench="default", progress=True)
    assert len(shown) == 10 and shown[-1].startswith('<progress value="9" max="9"')
