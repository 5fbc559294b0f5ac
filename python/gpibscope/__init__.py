"""gpibscope for Python: waveforms from bench oscilloscopes on the GPIB bus (Hameg HM408,
Tektronix TDS540, Philips PM3323) straight into NumPy arrays, in volts with their time axis.

    import gpibscope
    scope = gpibscope.acquire("tektronix", gpib="sim")   # the simulated bench
    scope.time, scope.channels["ch1"]                    # seconds, volts
    scope.to_csv("tds540.csv"); scope.to_pwl("spice/"); scope.plot()
    scope.to_html("tds540.html")                         # the waveform viewer; viewer() inline

The package loads the driver module libgpibscope.so and a GPIB library with ctypes, as a
simulation host does; GPIBSCOPE_MODULE names another module.
"""

from . import _acquisition, _devices, _gpib, _scan
from ._acquisition import Acquisition, acquire
from ._devices import Device
from ._errors import AcquisitionError, Error, GpibLibraryError
from ._scan import Listener

__all__ = ["Acquisition", "AcquisitionError", "Device", "Error", "GpibLibraryError",
           "Listener", "acquire", "devices", "scan"]


def devices(*, module=None):
    """The device types as Device(type, name, text): the number, the short name acquire takes
    and the module's display name. Loads the module only; no GPIB library is needed."""
    driver = _acquisition.driver_module(module)
    return [_acquisition.device_of(driver, type_number) for type_number in _devices.KINDS]


def scan(*, gpib=None, bench=None):
    """The listeners on board 0 and their answers to "*IDN?", as Listener(address,
    identification). gpib and bench as for acquire."""
    return _scan.scan_bus(_gpib.use_with_bench(gpib, bench))
