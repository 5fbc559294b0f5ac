"""One acquisition as a simulation host performs it, and what it delivered."""

import ctypes
import datetime
import html
import time as _time

import numpy

from . import _companions, _devices, _files, _gpib, _host, _module, _viewer
from ._errors import AcquisitionError, Error
from ._progress import Reporter

# Far beyond any instrument's record; a larger answer is not worth gigabytes of memory.
_MOST_POINTS = 1 << 22
_NOT_WRITTEN = -1
_XY_ARRAYS = 2
_XY_BOTH_CHANNELS_POINTS = 2048


class Acquisition:
    """What one acquisition delivered.

    device       the Device acquired from
    time         the time axis in seconds (ndarray), or None in XY mode or without one
    channels     dict of name -> ndarray in volts, named as scopehost's CSV header names them:
                 "ch1", "ch2", ... after the array each arrived in, or "X" and "Y" in XY mode;
                 empty when the instrument had no channel on
    xy           whether a Hameg delivered in XY mode
    points       values per array
    acquired_at  when GetData was called (UTC, timezone-aware datetime)
    duration     how long GetData took, in seconds
    messages     every message the module reported, in order

    The arrays are views of the memory the module wrote into; nothing was copied.
    """

    def __init__(self, device, time, channels, xy, points, acquired_at, duration, messages,
                 abscissa_name):
        self.device = device
        self.points = points
        self.time = time
        self.channels = channels
        self.xy = xy
        self.acquired_at = acquired_at
        self.duration = duration
        self.messages = messages
        self._abscissa_name = abscissa_name

    def _columns(self):
        """The first column of scopehost's files as (name, unit, values), and the others as
        (name, volts) pairs."""
        traces = list(self.channels.items())
        if self._abscissa_name == "X":
            return ("X", "V", traces[0][1]), traces[1:]
        if self._abscissa_name == "time":
            return ("time", "s", self.time), traces
        return ("sample", "", numpy.arange(self.points, dtype=float)), traces

    def to_csv(self, path):
        """Writes the CSV file scopehost writes for this data; returns its path."""
        return _files.write_csv(self, path)

    def to_pwl(self, directory):
        """Writes directory/ch1.pwl ...: one SPICE voltage source a channel, for .include in
        a netlist, as scopehost writes them. ValueError without a rising time axis (XY mode).
        Returns the paths written."""
        return _files.write_channel_files(self, directory, "pwl")

    def to_wave(self, directory):
        """Writes directory/ch1.txt ...: one line a point, time in seconds and volts, as
        "PWL file=" in LTspice and Xyce and ngspice's filesource read them. ValueError
        without a rising time axis. Returns the paths written."""
        return _files.write_channel_files(self, directory, "txt")

    def to_html(self, path):
        """Writes the waveform viewer's page that scopehost's --html writes for this data: one
        self-contained HTML file (zoom, cursors, measurements) that opens from disk with no
        network. Error when the viewer template that comes with gpibscope cannot be read.
        Returns its path."""
        return _files._write_whole(path, _viewer.page(self))

    def viewer(self, height=800):
        """The page of to_html() inline in a notebook: displaying the returned object shows it
        in an iframe height pixels high, sandboxed to run the page's own scripts only."""
        return _viewer.Viewer(_viewer.page(self), height)

    def to_pandas(self):
        """A pandas DataFrame of the channels, indexed by time in seconds when there is a time
        axis (pandas is imported here, only when asked for)."""
        import pandas
        index = pandas.Index(self.time, name="time (s)") if self.time is not None else None
        return pandas.DataFrame(dict(self.channels), index=index)

    def plot(self, ax=None):
        """Draws the channels against time (Y against X in XY mode) with matplotlib, into ax
        or a new figure's axes; returns the axes."""
        if ax is None:
            import matplotlib.pyplot as pyplot
            _, ax = pyplot.subplots()
        (name, unit, values), traces = self._columns()
        for trace, volts in traces:
            ax.plot(values, volts, label=trace)
        ax.set_xlabel(_files._heading(name, unit))
        ax.set_ylabel("volts (V)")
        ax.set_title(self.device.text)
        ax.legend()
        return ax

    def _summary(self):
        mode = " (XY)" if self.xy else ""
        names = ", ".join(self.channels) or "no channel"
        return f"{self.device.text}{mode}: {self.points} points, {names}, {self.duration:.2f} s"

    def __repr__(self):
        return f"<Acquisition {self._summary()}>"

    def _repr_html_(self):
        rows = "".join(
            f"<tr><td>{html.escape(name)}</td><td>{volts.min():.4g} V</td>"
            f"<td>{volts.max():.4g} V</td></tr>" for name, volts in self.channels.items())
        return (f"<b>{html.escape(self._summary())}</b>, acquired "
                f"{_files.utc_timestamp(self.acquired_at)}"
                f"<table><tr><th>channel</th><th>min</th><th>max</th></tr>{rows}</table>")


def _is_hameg_xy(reported_points, reported_arrays, array0):
    """The rule gpibscope/host.h gives: 2048 points in 2 arrays is XY with both channels; with
    4096 in 2, array 0 is the time axis exactly when it is strictly monotonic or all zero."""
    if reported_arrays != _XY_ARRAYS:
        return False
    if reported_points == _XY_BOTH_CHANNELS_POINTS:
        return True
    steps = numpy.diff(array0)
    monotonic = (steps > 0).all() or (steps < 0).all()
    return not (array0 == 0).all() and not monotonic


def _written_prefix(unwritten):
    """How many values from the start were written without a gap, from the array's NaN mask."""
    first = int(unwritten.argmax())
    return first if unwritten[first] else len(unwritten)


def _delivered(device, arrays, reported_points, reported_arrays):
    """(time, channels, xy, points, abscissa name) from the arrays, all NaN before GetData.
    The count variables alone do not tell which arrays hold data, so the arrays themselves do:
    an array was delivered when any of the points is no longer NaN, and every array ends where
    the shortest delivered one stops being written, so no value is one the module did not
    write."""
    capacity = arrays.shape[1]
    points = capacity if reported_points == _NOT_WRITTEN else max(0, min(reported_points,
                                                                         capacity))
    unwritten = numpy.isnan(arrays)
    written = [int(k) for k in numpy.flatnonzero(~unwritten[:, :points].all(axis=1))]
    for k in written:
        points = min(points, _written_prefix(unwritten[k]))
    if not written:
        points = 0
    hameg = device.type in _devices.HAMEG_TYPES
    if not written or written[0] != 0:
        # No array 0: on a Hameg XY mode with channel 2 alone, or nothing at all.
        return None, {f"ch{k}": arrays[k, :points] for k in written}, hameg, points, "sample"
    array0 = arrays[0, :points]
    if hameg and _is_hameg_xy(reported_points, reported_arrays, array0):
        y = {"Y": arrays[k, :points] for k in written[1:]}
        return None, {"X": array0, **y}, True, points, "X"
    return array0, {f"ch{k}": arrays[k, :points] for k in written[1:]}, False, points, "time"


def _array_sizes(driver, device, messages):
    driver.hand_callback_over()
    driver.listeners.messages = messages
    sizes = driver.get_trans_properties(device.type)
    if sizes is None:
        raise AcquisitionError(f"no array sizes for {device.text}", messages)
    points, arrays = sizes
    if not (1 <= points <= _MOST_POINTS and 1 <= arrays <= _host.MAX_ARRAYS):
        raise AcquisitionError(f"no array sizes for {device.text}", messages + [
            f"the module asks for {points} points in {arrays} arrays; that is no size a host "
            "allocates"])
    return points, arrays


def _get_data(driver, device, arrays, reporter):
    """GetData into arrays; returns (result, reported points, reported arrays, when, how
    long)."""
    buffers = _host.WaveformBuffers()
    for k in range(arrays.shape[0]):
        buffers.arrays[k] = arrays[k].ctypes.data
    points = ctypes.c_int32(_NOT_WRITTEN)
    # The Tektronix driver reads how many arrays the host provides; the others may write it.
    count = arrays.shape[0] if device.type == _devices.TEKTRONIX_TYPE else _NOT_WRITTEN
    reported_arrays = ctypes.c_int16(count)
    driver.listeners.position = 0
    driver.listeners.moved = reporter.moved
    acquired_at = datetime.datetime.now(datetime.timezone.utc)
    started = _time.perf_counter()
    result = driver.get_data(device.type, buffers, points, reported_arrays)
    duration = _time.perf_counter() - started
    return result, points.value, reported_arrays.value, acquired_at, duration


def driver_module(module):
    path = _companions.module_path(module)
    if path is None:
        raise Error("cannot find the driver module: " + _companions.describe_search() +
                    "; name it with GPIBSCOPE_MODULE or module=")
    return _module.load(path)


def device_of(driver, type_number):
    return _devices.Device(type_number, _devices.short_name(type_number),
                           driver.display_name(type_number))


def acquire(device, *, gpib=None, bench=None, progress=None, module=None):
    """Acquires from one oscilloscope and returns an Acquisition.

    device    a device type 0 to 3 or its short name: "hameg1", "hameg2", "tektronix",
              "philips"
    gpib      the GPIB library, as scopehost's --gpib: "sim" (the simulated bench),
              "linux-gpib", "prologix", "vxi11" (the bridges that came with the module) or a
              path. None is the system's own GPIB library, found by its name as the module
              finds it, so a real bench never gets simulated data by accident. One process uses one GPIB
              library: asking for another later raises GpibLibraryError.
    bench     for the simulated library: a bench file, or the name of a shipped bench
              ("hm408"); it replaces the bench the library had
    progress  a callable called as progress(position, steps) each time the module moves its
              progress bar (one step a stage; back to 0 after a failure), or True for a text
              bar on a terminal and a plain HTML bar in a notebook
    module    the driver module's path (default: GPIBSCOPE_MODULE, else the module that came
              with this package)

    Raises ValueError for an unknown device or bench, GpibLibraryError when the GPIB library
    cannot be had, and AcquisitionError, with every message of the module, when the module
    fails.
    """
    type_number = _devices.device_type(device)
    _gpib.use_with_bench(gpib, bench)
    driver = driver_module(module)
    with driver.lock:
        chosen = device_of(driver, type_number)
        messages = []
        reporter = Reporter(progress, _devices.progress_steps(type_number))
        try:
            points, count = _array_sizes(driver, chosen, messages)
            arrays = numpy.full((count, points), numpy.nan)
            result, reported_points, reported_arrays, acquired_at, duration = _get_data(
                driver, chosen, arrays, reporter)
        finally:
            driver.listeners.messages = driver.listeners.moved = None
            reporter.close()
    if result != 1:
        raise AcquisitionError(f"no waveforms from {chosen.text}", messages) from reporter.error
    reporter.reraise()
    time, channels, xy, points, abscissa = _delivered(chosen, arrays, reported_points,
                                                      reported_arrays)
    return Acquisition(chosen, time, channels, xy, points, acquired_at, duration, messages,
                       abscissa)
