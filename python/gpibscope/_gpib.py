"""The GPIB library the package loads before the module. The module binds libgpib-32.so by
name at every call and, with a library of that name already loaded, gets that one; so one
process can use one GPIB library only, and the first choice holds for the process."""

import ctypes
import os
import threading

from . import _companions
from ._errors import GpibLibraryError

SIMULATOR = "sim"
BRIDGES = ("linux-gpib", "prologix", "vxi11")

_lock = threading.Lock()
_in_use = None  # (what was asked for, the library) once one is loaded


def _path_of(choice, companions):
    if choice == SIMULATOR:
        path = companions.simulator if companions else None
    elif choice in BRIDGES:
        path = companions.bridge(choice) if companions else None
    else:
        path = os.path.abspath(os.fspath(choice))
    if path is None:
        raise GpibLibraryError(f"gpib={choice!r}: not found: {_companions.describe_search()}")
    if not os.path.isfile(path):
        hint = f" (is the {choice} bridge built?)" if choice in BRIDGES else ""
        raise GpibLibraryError(f"gpib={choice!r}: there is no GPIB library at {path}{hint}")
    return os.path.realpath(path)


def _describe(key):
    return ("the system's GPIB library found by its name " + _companions.GPIB_LIBRARY_FILE
            if key is None else key)


def _load(key):
    name = key or _companions.GPIB_LIBRARY_FILE
    try:
        return ctypes.CDLL(name)
    except OSError as error:
        if key is None:
            raise GpibLibraryError(
                f"no GPIB library: the loader finds no {name} ({error}); choose one with "
                "gpib='sim', 'linux-gpib', 'prologix', 'vxi11' or a path") from None
        raise GpibLibraryError(f"cannot load the GPIB library {name}: {error}") from None


def use(choice):
    """Loads the chosen GPIB library, once per process: None is the system's own, found by the
    loader as the module finds it (never the simulator unless it is installed as the system's
    library); "sim", "linux-gpib", "prologix", "vxi11" or a path as scopehost's --gpib.
    Asking for another after the first raises GpibLibraryError. Returns the library."""
    global _in_use
    key = None if choice is None else _path_of(choice, _companions.find())
    with _lock:
        if _in_use is None:
            _in_use = (key, _load(key))
        elif _in_use[0] != key:
            raise GpibLibraryError(
                f"this process already uses {_describe(_in_use[0])}; the module finds its GPIB "
                f"library by name, so it cannot use {_describe(key)} as well: start another "
                "process for it")
        return _in_use[1]


def load_bench(library, bench_file):
    """Replaces the simulated library's bench; ValueError with the library's reason when it
    rejects the file."""
    try:
        load = library.gpibsim_load_bench_file
        last_error = library.gpibsim_last_error
    except AttributeError:
        raise ValueError("a bench is for the simulated GPIB library only (gpib='sim')") from None
    load.argtypes, load.restype = [ctypes.c_char_p], ctypes.c_int
    last_error.argtypes, last_error.restype = [], ctypes.c_char_p
    if load(os.fsencode(bench_file)) != 0:
        raise ValueError(f"bench {bench_file}: {last_error().decode(errors='replace')}")


def use_with_bench(choice, bench):
    """The chosen library (see use) with bench, when given, loaded into it: a bench file or
    the name of a shipped bench, for the simulated library only. ValueError for an unknown
    or rejected bench."""
    bench_file = None
    if bench is not None:
        bench_file = _companions.resolve_bench(bench, _companions.find())
    library = use(choice)
    if bench_file is not None:
        load_bench(library, bench_file)
    return library
