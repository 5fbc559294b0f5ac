"""The host library libgpibscope-host.so in ctypes, its errors as the package's exceptions."""

import ctypes
import os
import threading
from collections import namedtuple

import numpy

from ._errors import Error, GpibLibraryError, SimulationError

Device = namedtuple("Device", "type name text")
Device.__doc__ = """A device type: its number 0 to 3, its short name (hameg1, hameg2,
tektronix, philips) and the module's display name."""

_PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))
# Beside an installation (_installation.py), in build/lib of a source checkout, or under
# /usr/local or /usr for a copy installed on its own (pip).
_DIRS = (os.path.join(_PACKAGE_DIR, os.pardir, os.pardir, "build", "lib"), "/usr/local/lib",
         "/usr/lib")

OK, ARGUMENT, GPIB_LIBRARY, UNKNOWN_BENCH, BENCH, MODULE_LOAD, MODULE, BUS, OUTPUT, \
    NO_TIME_AXIS, SIMULATION = range(11)
TIME, X, SAMPLE = range(3)
_EXCEPTIONS = {ARGUMENT: ValueError, GPIB_LIBRARY: GpibLibraryError, BENCH: ValueError,
               UNKNOWN_BENCH: ValueError, NO_TIME_AXIS: ValueError, SIMULATION: SimulationError}

MESSAGE_FN = TEXT_FN = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)
PROGRESS_FN = ctypes.CFUNCTYPE(None, ctypes.c_int, ctypes.c_int, ctypes.c_void_p)
_TYPES = {"v": None, "p": ctypes.c_void_p, "s": ctypes.c_char_p, "i": ctypes.c_int,
          "l": ctypes.c_int32, "z": ctypes.c_size_t, "q": ctypes.c_int64, "d": ctypes.c_double,
          "D": ctypes.POINTER(ctypes.c_double), "P": ctypes.POINTER(ctypes.c_void_p),
          "S": ctypes.POINTER(ctypes.c_char_p), "M": MESSAGE_FN, "R": PROGRESS_FN}
# Each gpibscope_ function: its result's code, then its arguments' (gpibscope/host_library.h).
_SIGNATURES = """error_text s p, error_free v p, free v p, find_device l s,
device_short_name s l, device_progress_steps i l, session_options_new p,
session_options_free v p, session_options_set_gpib v ps, session_options_set_module v ps,
session_options_set_messages v pMp, session_open i pPP, session_close v p,
session_load_bench i psP, session_gpib_absence s p, session_device_name i plSP,
session_acquire i plRpPP, session_scan i pPP, listeners_count z p, listener_primary l pz,
listener_secondary l pz, listener_identity s pz, listeners_free v p,
acquisition_new p sliDzqd, acquisition_add_channel v psD, acquisition_free v p,
acquisition_abscissa i p, acquisition_xy i p, acquisition_points z p,
acquisition_abscissa_values D p, acquisition_channels z p, acquisition_channel_name s pz,
acquisition_channel_values D pz, acquisition_acquired_at q p, acquisition_duration d p,
write_csv i psP, write_pwl i psMpP, write_wave i psMpP, page_options_new p,
page_options_free v p, page_options_set_template v ps, page_options_add_reference i psP,
write_page i ppsP, render_page i ppPP, read_simulation i sPP, simulation_free v p,
simulation_points z p, simulation_time D p, simulation_vectors z p,
simulation_vector_name s pz, simulation_vector_values D pz"""

# The page template to_html and viewer() use; None is the one that came with the library.
viewer_template = None
_lock = threading.RLock()
_loaded = None
_sessions = {}


def _path():
    try:
        from . import _installation
        dirs = (os.path.join(_PACKAGE_DIR, _installation.LIBRARY_DIR),) + _DIRS
    except ImportError:
        dirs = _DIRS
    paths = [os.path.normpath(os.path.join(d, "libgpibscope-host.so")) for d in dirs]
    found = [path for path in paths if os.path.isfile(path)]
    if not found:
        raise Error("cannot find the host library: none of " + ", ".join(paths))
    return found[0]


def library():
    global _loaded
    with _lock:
        if _loaded is None:
            loaded = ctypes.CDLL(_path())
            for signature in _SIGNATURES.split(","):
                name, result, arguments = (signature.split() + [""])[:3]
                function = getattr(loaded, "gpibscope_" + name)
                function.restype = _TYPES[result]
                function.argtypes = [_TYPES[code] for code in arguments]
            _loaded = loaded
        return _loaded


def call(function, *arguments, exceptions=None):
    """Raises a failed call's gpibscope_error (exceptions: status -> callable of the text)."""
    error = ctypes.c_void_p()
    status = function(*arguments, ctypes.byref(error))
    if status != OK:
        text = library().gpibscope_error_text(error).decode("utf-8", errors="replace")
        library().gpibscope_error_free(error)
        raise ((exceptions or {}).get(status) or _EXCEPTIONS.get(status, Error))(text)


def copied_array(pointer, points):
    """points doubles the library owns, copied into a NumPy array."""
    return numpy.ctypeslib.as_array(pointer, (points,)).copy() if points else numpy.empty(0)


def device_type(device):
    """The type number of a device given as a number or a short name; ValueError otherwise."""
    device = getattr(device, "type", device)
    found = library().gpibscope_find_device(str(device).encode())
    if found >= 0 and isinstance(device, (int, str)) and not isinstance(device, bool):
        return found
    names = ", ".join(library().gpibscope_device_short_name(t).decode() for t in range(4))
    raise ValueError(f"unknown device {device!r}: a device type 0 to 3 or {names}")


class Session:
    """A session; messages go to the list in messages. Each sequence of calls holds lock."""

    def __init__(self, gpib, module):
        lib = library()
        self.lock, self.messages, self.handle = threading.RLock(), None, ctypes.c_void_p()
        self._on_message = MESSAGE_FN(self._message)  # kept: the library holds its address
        options = lib.gpibscope_session_options_new()
        try:
            for setter, value in ((lib.gpibscope_session_options_set_gpib, gpib),
                                  (lib.gpibscope_session_options_set_module, module)):
                setter(options, None if value is None else os.fsencode(value))
            lib.gpibscope_session_options_set_messages(options, self._on_message, None)
            call(lib.gpibscope_session_open, options, ctypes.byref(self.handle))
        finally:
            lib.gpibscope_session_options_free(options)

    def _message(self, text, _user):
        if self.messages is not None:
            self.messages.append(text.decode("utf-8", errors="replace"))

    def load_bench(self, bench):
        bench = os.fspath(bench)
        unknown = {UNKNOWN_BENCH: lambda text: ValueError(f"unknown bench {bench!r}: {text}")}
        call(library().gpibscope_session_load_bench, self.handle, os.fsencode(bench),
             exceptions=unknown)

    def device(self, type_number):
        name = ctypes.c_char_p()
        call(library().gpibscope_session_device_name, self.handle, type_number,
             ctypes.byref(name))
        # The module's names are one byte a character.
        return Device(type_number, library().gpibscope_device_short_name(type_number).decode(),
                      name.value.decode("latin-1"))


def session(gpib, module):
    """The session for a GPIB library and a module (GPIBSCOPE_MODULE when None), opened once:
    the module finds its GPIB library by name, so a process keeps to the first it uses."""
    module = module or os.environ.get("GPIBSCOPE_MODULE")
    if module is not None:
        module = os.path.abspath(os.fspath(module))
        if not os.path.isfile(module):
            raise Error(f"there is no driver module at {module}; build it, or name it with "
                        "GPIBSCOPE_MODULE or module=")
    key = (None if gpib is None else os.fspath(gpib), module)
    with _lock:
        if key not in _sessions:
            _sessions[key] = Session(*key)
        return _sessions[key]
