"""The host library in ctypes, its errors as the package's exceptions, the process's sessions."""

import contextlib
import ctypes
import functools
import os
import threading
from collections import namedtuple

import numpy

from ._errors import Error, GpibLibraryError, SimulationError

Device = namedtuple("Device", "type name text")
Device.__doc__ = """A device type: its number 0 to 3, its short name (hameg1, hameg2,
tektronix, philips) and the module's display name."""

_PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))
# Where an installation put it, build/lib of a source checkout, or /usr/local or /usr (pip).
_DIRS = (os.path.join(_PACKAGE_DIR, os.pardir, os.pardir, "build", "lib"), "/usr/local/lib",
         "/usr/lib")

OK, ARGUMENT, GPIB_LIBRARY, UNKNOWN_BENCH, BENCH, MODULE_LOAD, MODULE, BUS, OUTPUT, \
    NO_TIME_AXIS, SIMULATION = range(11)
_EXCEPTIONS = {ARGUMENT: ValueError, GPIB_LIBRARY: GpibLibraryError, BENCH: ValueError,
               UNKNOWN_BENCH: ValueError, NO_TIME_AXIS: ValueError, SIMULATION: SimulationError}

TEXT_FN = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)
PROGRESS_FN = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, ctypes.c_void_p)
_TYPES = {"v": None, "p": ctypes.c_void_p, "s": ctypes.c_char_p, "i": ctypes.c_int,
          "l": ctypes.c_int32, "z": ctypes.c_size_t, "q": ctypes.c_int64, "d": ctypes.c_double,
          "D": ctypes.POINTER(ctypes.c_double), "P": ctypes.POINTER(ctypes.c_void_p),
          "S": ctypes.POINTER(ctypes.c_char_p), "T": TEXT_FN, "R": PROGRESS_FN,
          "A": numpy.ctypeslib.ndpointer(float, flags="C_CONTIGUOUS")}
# Each gpibscope_ function, its result's type code and its arguments' (host_library.h).
_SIGNATURES = """error_text s p, error_free v p, free v p, find_device l s, device_short_name s l,
device_progress_steps i l, session_options_new p, session_options_free v p,
session_options_set_gpib v ps, session_options_set_module v ps, session_options_set_messages v pTp,
session_open i pPP, session_load_bench i psP, session_check_gpib i pP, session_device_name i plSP,
session_acquire i plRpPP, session_scan i pPP, listeners_count z p, listener_primary l pz,
listener_secondary l pz, listener_identity s pz, listeners_free v p, acquisition_new p slqd,
acquisition_add_column i psAzP, acquisition_free v p, acquisition_xy i p, acquisition_points z p,
acquisition_columns z p, acquisition_column_name s pz, acquisition_column_values D pz,
acquisition_acquired_at q p, acquisition_duration d p, write_csv i psP, write_pwl i psTpP,
write_wave i psTpP, page_options_new p, page_options_free v p, page_options_set_template v ps,
page_options_add_reference i psP, write_page i ppsP, render_page i ppPP, read_simulation i sPP,
simulation_free v p, simulation_points z p, simulation_time D p, simulation_vectors z p,
simulation_vector_name s pz, simulation_vector_values D pz"""

# The page template to_html and viewer() use; None is the one that came with the library.
viewer_template = None
_lock = threading.Lock()
_sessions = {}


def _path():
    dirs = _DIRS
    with contextlib.suppress(ImportError):
        from ._installation import LIBRARY_DIR
        dirs = (os.path.join(_PACKAGE_DIR, LIBRARY_DIR),) + _DIRS
    paths = [os.path.normpath(os.path.join(d, "libgpibscope-host.so")) for d in dirs]
    for path in filter(os.path.isfile, paths):
        return path
    raise Error("cannot find the host library: none of " + ", ".join(paths))


@functools.cache
def library():
    loaded = ctypes.CDLL(_path())
    for signature in _SIGNATURES.split(","):
        name, result, arguments = (signature.split() + [""])[:3]
        function = getattr(loaded, "gpibscope_" + name)
        function.restype, function.argtypes = _TYPES[result], [_TYPES[c] for c in arguments]
    return loaded


def encoded(path):
    """A path or text as the library takes it; None stays None."""
    return None if path is None else os.fsencode(path)


def call(function, *arguments, exceptions=None):
    """Raises a failed call's gpibscope_error (exceptions: status -> callable of the text)."""
    error = ctypes.c_void_p()
    status = function(*arguments, ctypes.byref(error))
    if status != OK:
        said = text(library().gpibscope_error_text(error), "utf-8")
        library().gpibscope_error_free(error)
        raise ((exceptions or {}).get(status) or _EXCEPTIONS.get(status, Error))(said)


def text(raw, encoding="latin-1"):
    """The library's bytes as text; None stays None."""
    return None if raw is None else raw.decode(encoding, errors="replace")


def named_arrays(kind, handle, points):
    """The arrays of gpibscope_<kind>_name and _values, each name to a copy in NumPy."""
    name, values = (getattr(library(), f"gpibscope_{kind}_{part}") for part in ("name", "values"))
    return {text(name(handle, k), "utf-8"): copied_array(values(handle, k), points)
            for k in range(getattr(library(), f"gpibscope_{kind}s")(handle))}


def copied_array(pointer, points):
    """points doubles the library owns, copied into a NumPy array."""
    return numpy.ctypeslib.as_array(pointer, (points,)).copy() if points else numpy.empty(0)


def device_type(device):
    """The type number of a device given as a number, a short name or a Device."""
    device = getattr(device, "type", device)
    found = library().gpibscope_find_device(str(device).encode())
    if found < 0:
        names = ", ".join(library().gpibscope_device_short_name(t).decode() for t in range(4))
        raise ValueError(f"unknown device {device!r}: a device type 0 to 3 or {names}")
    return found


class _Session:
    """A session of the library; the module's messages go to the list in messages."""

    def __init__(self, gpib, module):
        lib, self.handle = library(), ctypes.c_void_p()
        self.lock, self.messages = threading.RLock(), []
        # Kept, as the library holds its address.
        self._on_message = TEXT_FN(lambda line, _user: self.messages.append(text(line, "utf-8")))
        options = lib.gpibscope_session_options_new()
        try:
            lib.gpibscope_session_options_set_gpib(options, encoded(gpib))
            lib.gpibscope_session_options_set_module(options, encoded(module))
            lib.gpibscope_session_options_set_messages(options, self._on_message, None)
            call(lib.gpibscope_session_open, options, ctypes.byref(self.handle))
        finally:
            lib.gpibscope_session_options_free(options)

    def device(self, type_number):
        name = ctypes.c_char_p()
        call(library().gpibscope_session_device_name, self.handle, type_number,
             ctypes.byref(name))
        # The module's names are one byte a character.
        return Device(type_number, text(library().gpibscope_device_short_name(type_number)),
                      text(name.value))


@contextlib.contextmanager
def session(gpib, module, bench=None):
    """The session of a GPIB library and a module (GPIBSCOPE_MODULE when None), held for a
    sequence of calls, bench loaded first. Each is opened once: the module finds its GPIB
    library by name, so a process keeps to the first."""
    module = module or os.environ.get("GPIBSCOPE_MODULE")
    if module is not None:
        module = os.path.abspath(module)
        if not os.path.isfile(module):
            raise Error(f"there is no driver module at {module}; build it, or name it with "
                        "GPIBSCOPE_MODULE or module=")
    key = (None if gpib is None else os.fspath(gpib), module)
    with _lock:
        held = _sessions[key] = _sessions.get(key) or _Session(*key)
    with held.lock:
        held.messages = []
        if bench is not None:
            unknown = f"unknown bench {os.fspath(bench)!r}: "
            call(library().gpibscope_session_load_bench, held.handle, os.fsencode(bench),
                 exceptions={UNKNOWN_BENCH: lambda said: ValueError(unknown + said)})
        yield held
