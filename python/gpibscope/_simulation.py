"""Simulation results read back through the host library, for comparison with what the bench
measured."""

import ctypes
import os

from . import _library


class Simulation:
    """A transient analysis read back: time in seconds (a NumPy array, never falling) and
    vectors, each vector's name as the file gives it ("v(out)", "V(n001)", "I(R1)") to a NumPy
    array of as many values."""

    def __init__(self, time, vectors):
        self.time, self.vectors = time, vectors

    def __repr__(self):
        return f"<Simulation: {len(self.time)} points, {', '.join(self.vectors)}>"


def read_simulation(path):
    """Reads an ngspice raw file (binary or ASCII), an LTspice raw file or else a two-column
    waveform file (time and value a line, its one vector named after the file's stem).
    SimulationError naming the file and what is wrong where."""
    lib, handle = _library.library(), ctypes.c_void_p()
    _library.call(lib.gpibscope_read_simulation, os.fsencode(path), ctypes.byref(handle))
    try:
        points = lib.gpibscope_simulation_points(handle)
        vectors = {lib.gpibscope_simulation_vector_name(handle, k).decode("utf-8", "replace"):
                   _library.copied_array(lib.gpibscope_simulation_vector_values(handle, k), points)
                   for k in range(lib.gpibscope_simulation_vectors(handle))}
        return Simulation(_library.copied_array(lib.gpibscope_simulation_time(handle), points),
                          vectors)
    finally:
        lib.gpibscope_simulation_free(handle)
