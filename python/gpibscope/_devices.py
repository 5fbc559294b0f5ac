"""The device types, by number or by the short names scopehost uses."""

from collections import namedtuple

Device = namedtuple("Device", "type name text")
Device.__doc__ = """A device type: its number 0 to 3, its short name (hameg1, hameg2,
tektronix, philips) and the module's display name."""

HAMEG_TYPES = (0, 1)
TEKTRONIX_TYPE = 2

# Short name and the PBM_STEPIT messages of a full acquisition (the progress bar's range):
# Hameg and Philips nine stages, the Tektronix eight with five arrays.
KINDS = {0: ("hameg1", 9), 1: ("hameg2", 9), 2: ("tektronix", 8), 3: ("philips", 9)}


def device_type(device):
    """The type number of a device given as a number or a short name; ValueError otherwise."""
    if isinstance(device, Device):
        device = device.type
    if isinstance(device, int) and not isinstance(device, bool) and device in KINDS:
        return device
    for number, (name, _) in KINDS.items():
        if device == name:
            return number
    names = ", ".join(name for name, _ in KINDS.values())
    raise ValueError(f"unknown device {device!r}: a device type 0 to 3 or {names}")


def short_name(type_number):
    return KINDS[type_number][0]


def progress_steps(type_number):
    return KINDS[type_number][1]
