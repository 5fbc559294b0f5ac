"""Simulation results read back through the host library."""

import ctypes
import os

from . import _library


class Simulation:
    """A transient analysis: time in seconds (NumPy, never falling) and vectors, each name as the
    file gives it ("v(out)", "I(R1)") to a NumPy array of as many values."""

    def __init__(self, time, vectors):
        self.time, self.vectors = time, vectors

    def __repr__(self):
        return f"<Simulation: {len(self.time)} points, {', '.join(self.vectors)}>"


def read_simulation(path):
    """Reads an ngspice or LTspice raw file, or else a two-column waveform file (time and value a
    line, its vector named after the file's stem); SimulationError says what is wrong where."""
    lib, handle = _library.library(), ctypes.c_void_p()
    _library.call(lib.gpibscope_read_simulation, os.fsencode(path), ctypes.byref(handle))
    try:
        points = lib.gpibscope_simulation_points(handle)
        return Simulation(_library.copied_array(lib.gpibscope_simulation_time(handle), points),
                          _library.named_arrays("simulation_vector", handle, points))
    finally:
        lib.gpibscope_simulation_free(handle)
