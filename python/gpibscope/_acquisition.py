"""One acquisition through the host library, in NumPy arrays."""

import contextlib
import ctypes
import datetime
import html
import os

import numpy

from . import _library
from ._errors import AcquisitionError, GpibLibraryError
from ._progress import Reporter

_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
_MICROSECOND = datetime.timedelta(microseconds=1)
_ABSCISSAS = {"time": _library.TIME, "X": _library.X, "sample": _library.SAMPLE}


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
    """

    def __init__(self, device, time, channels, xy, points, acquired_at, duration, messages,
                 abscissa_name):
        self.device, self.time, self.channels, self.xy = device, time, channels, xy
        self.points, self.acquired_at, self.duration = points, acquired_at, duration
        self.messages, self._abscissa_name = messages, abscissa_name

    def _columns(self):
        """The first column as (name, unit, values), the others as (name, volts) pairs."""
        traces = list(self.channels.items())
        if self._abscissa_name == "X":
            return ("X", "V", traces[0][1]), traces[1:]
        if self._abscissa_name == "time":
            return ("time", "s", self.time), traces
        return ("sample", "", numpy.arange(self.points, dtype=float)), traces

    @contextlib.contextmanager
    def _handle(self):
        (_, _, values), traces = self._columns()
        columns = [numpy.ascontiguousarray(v, dtype=float)
                   for v in [values] + [volts for _, volts in traces]]
        if any(len(column) != len(columns[0]) for column in columns):
            raise ValueError("every channel needs as many values as the abscissa")
        lib, doubles = _library.library(), ctypes.POINTER(ctypes.c_double)
        handle = lib.gpibscope_acquisition_new(
            self.device.text.encode("latin-1", errors="replace"), self.device.type,
            _ABSCISSAS[self._abscissa_name], columns[0].ctypes.data_as(doubles),
            len(columns[0]), (self.acquired_at - _EPOCH) // _MICROSECOND, self.duration)
        try:
            for (name, _), volts in zip(traces, columns[1:]):
                lib.gpibscope_acquisition_add_channel(handle, name.encode(),
                                                      volts.ctypes.data_as(doubles))
            yield handle
        finally:
            lib.gpibscope_acquisition_free(handle)

    def _write(self, writer, *arguments):
        with self._handle() as handle:
            _library.call(getattr(_library.library(), "gpibscope_" + writer), handle, *arguments)

    def _page(self, writer, reference, *arguments):
        lib, template = _library.library(), _library.viewer_template
        options = lib.gpibscope_page_options_new()
        try:
            lib.gpibscope_page_options_set_template(options, template and os.fsencode(template))
            for source in _references(reference):
                _library.call(lib.gpibscope_page_options_add_reference, options, source)
            self._write(writer, options, *arguments)
        finally:
            lib.gpibscope_page_options_free(options)

    def to_csv(self, path):
        """Writes the CSV file scopehost writes for this data; returns its path."""
        self._write("write_csv", os.fsencode(path))
        return os.fspath(path)

    def _channel_files(self, writer, directory):
        written = []
        self._write(writer, os.fsencode(directory), _library.TEXT_FN(
            lambda path, _user: written.append(os.fsdecode(path))), None)
        return written

    def to_pwl(self, directory):
        """Writes directory/ch1.pwl ...: one SPICE voltage source a channel, for .include in
        a netlist, as scopehost writes them. ValueError without a rising time axis (XY mode).
        Returns the paths written."""
        return self._channel_files("write_pwl", directory)

    def to_wave(self, directory):
        """Writes directory/ch1.txt ...: one line a point, time in seconds and volts, as
        "PWL file=" in LTspice and Xyce and ngspice's filesource read them. ValueError
        without a rising time axis. Returns the paths written."""
        return self._channel_files("write_wave", directory)

    def to_html(self, path, reference=None):
        """Writes the waveform viewer's page that scopehost's --html writes for this data: one
        self-contained HTML file (zoom, cursors, measurements, spectra) that opens from disk
        with no network. Error when the viewer template that comes with gpibscope cannot be
        read. Returns its path.

        reference: simulation results drawn over the channels they are compared with, as
        scopehost's --reference takes them: a path, or "FILE:VECTOR=CHANNEL,..." (an ngspice
        or LTspice raw file or a two-column waveform file), or a list of them. Without pairs
        every vector named as a channel ("ch2" or "v(ch2)") is compared. SimulationError when
        a file cannot be read or a vector or channel is missing; no page is written then."""
        self._page("write_page", reference, os.fsencode(path))
        return os.fspath(path)

    def viewer(self, height=800, reference=None):
        """The page of to_html() inline in a notebook: displaying the returned object shows it
        in an iframe height pixels high, sandboxed to run the page's own scripts only.
        reference as for to_html()."""
        text = ctypes.c_void_p()
        self._page("render_page", reference, ctypes.byref(text))
        try:
            return Viewer(ctypes.string_at(text).decode("utf-8"), height)
        finally:
            _library.library().gpibscope_free(text)

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
        ax.set_xlabel(f"{name} ({unit})" if unit else name)
        ax.set_ylabel("volts (V)")
        ax.set_title(self.device.text)
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
    """The viewer's page shown inline in a notebook: the page (text in page) inside an iframe's
    srcdoc, HTML-escaped, sandboxed so that it runs its own scripts and reaches nothing of the
    notebook."""

    def __init__(self, text, height):
        self.page, self.height = text, int(height)

    def _repr_html_(self):
        return (f'<iframe srcdoc="{html.escape(self.page, quote=True)}" sandbox="allow-scripts" '
                f'style="width: 100%; height: {self.height}px; border: 0"></iframe>')


def _references(reference):
    """The reference sources as the library takes them: one path or text, or a list."""
    if reference is None:
        return []
    if isinstance(reference, (str, bytes, os.PathLike)):
        reference = [reference]
    return [os.fsencode(source) for source in reference]


def _from_handle(device, handle, messages):
    """The Acquisition of a handle of the library: in XY mode X is named as a channel."""
    lib = _library.library()
    points = lib.gpibscope_acquisition_points(handle)

    def array(pointer):
        return _library.copied_array(pointer, points)

    channels = {lib.gpibscope_acquisition_channel_name(handle, k).decode():
                array(lib.gpibscope_acquisition_channel_values(handle, k))
                for k in range(lib.gpibscope_acquisition_channels(handle))}
    values = array(lib.gpibscope_acquisition_abscissa_values(handle))
    name = {_library.TIME: "time", _library.X: "X"}.get(
        lib.gpibscope_acquisition_abscissa(handle), "sample")
    if name == "X":
        channels = {"X": values, **channels}
    return Acquisition(device, values if name == "time" else None, channels,
                       bool(lib.gpibscope_acquisition_xy(handle)), points,
                       _EPOCH + lib.gpibscope_acquisition_acquired_at(handle) * _MICROSECOND,
                       lib.gpibscope_acquisition_duration(handle), messages, name)


def acquire(device, *, gpib=None, bench=None, progress=None, module=None):
    """Acquires from one oscilloscope and returns an Acquisition.

    device    a device type 0 to 3 or its short name: "hameg1", "hameg2", "tektronix",
              "philips"
    gpib      the GPIB library, as scopehost's --gpib: "sim" (the simulated bench),
              "linux-gpib", "prologix", "vxi11" (the bridges that came with the module) or a
              path. None is the system's own GPIB library, found by its name as the module
              finds it, so a real bench never gets simulated data by accident. One process
              uses one GPIB library: asking for another later raises GpibLibraryError.
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
    type_number = _library.device_type(device)
    session = _library.session(gpib, module)
    lib, handle = _library.library(), ctypes.c_void_p()
    with session.lock:
        if bench is not None:
            session.load_bench(bench)
        absence = gpib is None and lib.gpibscope_session_gpib_absence(session.handle)
        if absence:
            raise GpibLibraryError(
                f"no GPIB library: the loader finds no libgpib-32.so ({absence.decode()}); "
                "choose one with gpib='sim', 'linux-gpib', 'prologix', 'vxi11' or a path")
        chosen = session.device(type_number)
        messages = session.messages = []
        reporter = Reporter(progress, lib.gpibscope_device_progress_steps(type_number))
        moved = _library.PROGRESS_FN(lambda position, _steps, _user: reporter.moved(position))
        try:
            _library.call(lib.gpibscope_session_acquire, session.handle, type_number, moved, None,
                          ctypes.byref(handle),
                          exceptions={_library.MODULE: lambda text: AcquisitionError(text,
                                                                                     messages)})
        except AcquisitionError as failure:
            raise failure from reporter.error
        finally:
            session.messages = None
            reporter.close()
    reporter.reraise()
    try:
        return _from_handle(chosen, handle, messages)
    finally:
        lib.gpibscope_acquisition_free(handle)
