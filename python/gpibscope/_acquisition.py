"""One acquisition through the host library, in NumPy arrays."""

import contextlib
import ctypes
import datetime
import html
import os

import numpy

from . import _library
from ._errors import AcquisitionError
from ._progress import reporting

_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
_MICROSECOND = datetime.timedelta(microseconds=1)
_LABELS = {"time": "time (s)", "X": "X (V)"}


class Acquisition:
    """What one acquisition delivered.

    device       the Device acquired from
    time         the time axis in seconds (ndarray), or None in XY mode or without one
    channels     dict of name -> ndarray in volts, named as in scopehost's CSV file: "ch1",
                 "ch2", ... after the array each arrived in, or "X" and "Y" in XY mode
    xy           whether a Hameg delivered in XY mode
    points       values per array
    acquired_at  when GetData was called (UTC, timezone-aware datetime)
    duration     how long GetData took, in seconds
    messages     every message the module reported, in order
    """

    def __init__(self, device, time, channels, xy, points, acquired_at, duration, messages,
                 abscissa_name):
        self.device, self.time, self.channels, self.xy = device, time, channels, xy
        self.points, self.acquired_at, self.duration = points, acquired_at, duration
        self.messages, self._abscissa_name = messages, abscissa_name

    def _columns(self):
        """scopehost's CSV columns as (name, values): the abscissa's, then the channels'."""
        if self._abscissa_name == "X":
            return list(self.channels.items())
        first = self.time if self._abscissa_name == "time" else numpy.arange(float(self.points))
        return [(self._abscissa_name, first), *self.channels.items()]

    @contextlib.contextmanager
    def _handle(self):
        """This data as an acquisition of the library, to write it."""
        lib = _library.library()
        handle = lib.gpibscope_acquisition_new(
            self.device.text.encode("latin-1", errors="replace"), self.device.type,
            (self.acquired_at - _EPOCH) // _MICROSECOND, self.duration)
        try:
            for name, values in self._columns():
                values = numpy.ascontiguousarray(values, dtype=float)
                _library.call(lib.gpibscope_acquisition_add_column, handle, name.encode(), values,
                              len(values))
            yield handle
        finally:
            lib.gpibscope_acquisition_free(handle)

    def _write(self, writer, *arguments):
        with self._handle() as handle:
            _library.call(getattr(_library.library(), "gpibscope_" + writer), handle, *arguments)

    def _page(self, writer, reference, *arguments):
        lib, options = _library.library(), _library.library().gpibscope_page_options_new()
        sources = [reference] if isinstance(reference, (str, bytes, os.PathLike)) else reference
        try:
            lib.gpibscope_page_options_set_template(options,
                                                    _library.encoded(_library.viewer_template))
            for source in sources or []:
                _library.call(lib.gpibscope_page_options_add_reference, options,
                              os.fsencode(source))
            self._write(writer, options, *arguments)
        finally:
            lib.gpibscope_page_options_free(options)

    def _channel_files(self, writer, directory):
        written = []
        self._write(writer, os.fsencode(directory), _library.TEXT_FN(
            lambda path, _user: written.append(os.fsdecode(path))), None)
        return written

    def to_csv(self, path):
        """Writes the CSV file scopehost writes for this data; returns its path."""
        self._write("write_csv", os.fsencode(path))
        return os.fspath(path)

    def to_pwl(self, directory):
        """Writes directory/ch1.pwl ...: one SPICE voltage source a channel, for .include, as
        scopehost does; returns their paths. ValueError without a rising time axis."""
        return self._channel_files("write_pwl", directory)

    def to_wave(self, directory):
        """Writes directory/ch1.txt ...: time and volts a line, for "PWL file=" (LTspice, Xyce)
        or ngspice's filesource; returns their paths. ValueError without a rising time axis."""
        return self._channel_files("write_wave", directory)

    def to_html(self, path, reference=None):
        """Writes scopehost's --html page for this data, the waveform viewer in one file that
        opens from disk with no network; returns its path. Error when the viewer template that
        came with gpibscope cannot be read.

        reference: simulations drawn over the channels, as scopehost's --reference takes them:
        "FILE[:VECTOR=CHANNEL,...]" (an ngspice or LTspice raw file or a two-column waveform
        file; without pairs each vector named as a channel, "ch2" or "v(ch2)"), or a list of
        them. SimulationError, and no page, when one cannot be read or does not fit."""
        self._page("write_page", reference, os.fsencode(path))
        return os.fspath(path)

    def viewer(self, height=800, reference=None):
        """The page of to_html() inline in a notebook: displaying the returned object shows it
        in an iframe height pixels high, sandboxed to run the page's own scripts only."""
        text = ctypes.c_void_p()
        self._page("render_page", reference, ctypes.byref(text))
        try:
            return Viewer(ctypes.string_at(text).decode("utf-8"), height)
        finally:
            _library.library().gpibscope_free(text)

    def to_pandas(self):
        """A pandas DataFrame of the channels, indexed by the time axis when there is one."""
        import pandas
        index = pandas.Index(self.time, name="time (s)") if self.time is not None else None
        return pandas.DataFrame(dict(self.channels), index=index)

    def plot(self, ax=None):
        """Draws the channels against time (Y against X in XY mode) with matplotlib, into ax
        or a new figure's axes; returns the axes."""
        if ax is None:
            import matplotlib.pyplot as pyplot
            _, ax = pyplot.subplots()
        (name, values), *traces = self._columns()
        for trace, volts in traces:
            ax.plot(values, volts, label=trace)
        ax.set(xlabel=_LABELS.get(name, name), ylabel="volts (V)", title=self.device.text)
        ax.legend()
        return ax

    def _summary(self):
        return (f"{self.device.text}{' (XY)' if self.xy else ''}: {self.points} points, "
                f"{', '.join(self.channels) or 'no channel'}, {self.duration:.2f} s")

    def __repr__(self):
        return f"<Acquisition {self._summary()}>"

    def _repr_html_(self):
        rows = "".join(
            f"<tr><td>{html.escape(name)}</td><td>{volts.min():.4g} V</td>"
            f"<td>{volts.max():.4g} V</td></tr>" for name, volts in self.channels.items())
        return (f"<b>{html.escape(self._summary())}</b>, acquired "
                f"{self.acquired_at:%Y-%m-%dT%H:%M:%SZ}"
                f"<table><tr><th>channel</th><th>min</th><th>max</th></tr>{rows}</table>")


class Viewer:
    """The viewer's page (text in page) shown in a notebook's sandboxed iframe."""

    def __init__(self, text, height):
        self.page, self.height = text, int(height)

    def _repr_html_(self):
        return (f'<iframe srcdoc="{html.escape(self.page, quote=True)}" sandbox="allow-scripts" '
                f'style="width: 100%; height: {self.height}px; border: 0"></iframe>')


def _from_handle(device, handle, messages):
    """The Acquisition of a handle of the library: the time axis apart, X a channel."""
    lib = _library.library()
    points = lib.gpibscope_acquisition_points(handle)
    columns = _library.named_arrays("acquisition_column", handle, points)
    name, time = next(iter(columns)), columns.pop("time", None)
    columns.pop("sample", None)  # numbered samples are no channel
    return Acquisition(device, time, columns, bool(lib.gpibscope_acquisition_xy(handle)), points,
                       _EPOCH + lib.gpibscope_acquisition_acquired_at(handle) * _MICROSECOND,
                       lib.gpibscope_acquisition_duration(handle), messages, name)


def acquire(device, *, gpib=None, bench=None, progress=None, module=None):
    """Acquires from one oscilloscope and returns an Acquisition.

    device    a device type 0 to 3 or its short name (hameg1, hameg2, tektronix, philips)
    gpib      the GPIB library, as scopehost's --gpib: "sim" (the simulated bench), a bridge
              that came with the module ("linux-gpib", "prologix", "vxi11") or a path; None
              is the system's own, found by its name as the module finds it. A process keeps
              to one GPIB library: asking for another raises GpibLibraryError.
    bench     for "sim": a bench file or a shipped bench's name ("hm408"), replacing its bench
    progress  called as progress(position, steps) each time the module moves its progress bar
              (back to 0 after a failure); True draws a text bar on a terminal, an HTML bar in
              a notebook
    module    the driver module's path (default: GPIBSCOPE_MODULE, else the package's own)

    Raises ValueError for an unknown device or bench, GpibLibraryError when the GPIB library
    cannot be had, AcquisitionError with the module's messages when the module fails.
    """
    type_number, lib, handle = _library.device_type(device), _library.library(), ctypes.c_void_p()
    try:
        with _library.session(gpib, module, bench) as session:
            _library.call(lib.gpibscope_session_check_gpib, session.handle)
            chosen, messages = session.device(type_number), session.messages
            failed = {_library.MODULE: lambda text: AcquisitionError(text, messages)}
            with reporting(progress, lib.gpibscope_device_progress_steps(type_number)) as moved:
                _library.call(lib.gpibscope_session_acquire, session.handle, type_number, moved,
                              None, ctypes.byref(handle), exceptions=failed)
        return _from_handle(chosen, handle, messages)
    finally:
        lib.gpibscope_acquisition_free(handle)
