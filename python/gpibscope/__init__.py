"""gpibscope for Python: waveforms from bench oscilloscopes on the GPIB bus (Hameg HM408,
Tektronix TDS540, Philips PM3323) straight into NumPy arrays, in volts with their time axis.

    import gpibscope
    scope = gpibscope.acquire("tektronix", gpib="sim")   # the simulated bench
    scope.time, scope.channels["ch1"]                    # seconds, volts
    scope.to_csv("tds540.csv"); scope.to_pwl("spice/"); scope.plot()
    scope.to_html("tds540.html")                         # the waveform viewer; viewer() inline
    scope.to_html("rc.html", reference="rc.raw:v(out)=ch2")  # a simulation drawn over ch2
    gpibscope.read_simulation("rc.raw").vectors["v(out)"]    # ngspice/LTspice raw files

It calls the host library libgpibscope-host.so with ctypes, as scopehost does.
"""

import ctypes
from collections import namedtuple

from . import _library
from ._acquisition import Acquisition, acquire
from ._errors import AcquisitionError, Error, GpibLibraryError, SimulationError
from ._library import Device
from ._simulation import Simulation, read_simulation

__all__ = ["Acquisition", "AcquisitionError", "Device", "Error", "GpibLibraryError",
           "Listener", "Simulation", "SimulationError", "acquire", "devices", "read_simulation",
           "scan"]

Listener = namedtuple("Listener", "address identification")
Listener.__doc__ = """A listener on board 0: its Address and its reply to "*IDN?" (line ends
dropped, other control bytes as \\xNN), or None."""


class Address(int):
    """A listener's primary address, its secondary one (0 to 30) or None in secondary: "5/3"."""

    def __new__(cls, primary, secondary=-1):
        address = super().__new__(cls, primary)
        address.secondary = None if secondary < 0 else secondary
        return address

    def __repr__(self):
        return str(int(self)) + ("" if self.secondary is None else f"/{self.secondary}")

    __str__ = __repr__


def devices(*, module=None):
    """The device types as Device(type, name, text); loads the module only, no GPIB library."""
    with _library.session(None, module) as session:
        return [session.device(type_number) for type_number in range(4)]


def scan(*, gpib=None, bench=None):
    """The listeners on board 0 as Listener(address, identification); gpib, bench as acquire's."""
    lib, found = _library.library(), ctypes.c_void_p()
    with _library.session(gpib, None, bench) as session:
        _library.call(lib.gpibscope_session_scan, session.handle, ctypes.byref(found))
    try:
        return [Listener(Address(lib.gpibscope_listener_primary(found, k),
                                 lib.gpibscope_listener_secondary(found, k)),
                         _library.text(lib.gpibscope_listener_identity(found, k)))
                for k in range(lib.gpibscope_listeners_count(found))]
    finally:
        lib.gpibscope_listeners_free(found)
