"""The listeners on board 0 and what each says to "*IDN?", asked of the GPIB library
directly, not through the module: the first thing to run on a new setup."""

import ctypes
from collections import namedtuple

from ._errors import Error, GpibLibraryError

Listener = namedtuple("Listener", "address identification")
Listener.__doc__ = """A listener on board 0: its primary address and its reply to "*IDN?"
(line ends dropped, other control bytes as \\xNN), or None when it gave none."""

_BOARD = 0
_FIRST_ADDRESS, _LAST_ADDRESS = 1, 30  # the board itself sits at 0
_NOADDR = -1  # 0xFFFF as the library's 16-bit address
_ERR = 0x8000
_T1S = 11  # an instrument answers well within a second
_EOI_WITH_LAST_BYTE, _NO_EOS = 1, 0
_IDENTIFY = b"*IDN?\n"
_REPLY_LIMIT = 256

_i32, _i16 = ctypes.c_int32, ctypes.c_int16
_SIGNATURES = {
    "SendIFC": (None, [_i32]),
    "FindLstn": (None, [_i32, ctypes.POINTER(_i16), ctypes.POINTER(_i16), _i32]),
    "ibdev": (_i32, [_i32] * 6),
    "ibwrt": (_i32, [_i32, ctypes.c_char_p, _i32]),
    "ibrd": (_i32, [_i32, ctypes.c_void_p, _i32]),
    "ibloc": (_i32, [_i32]),
    "ibonl": (_i32, [_i32, _i32]),
}


class _Calls:
    def __init__(self, library):
        try:
            self.ibsta = _i32.in_dll(library, "user_ibsta")
            self.iberr = _i32.in_dll(library, "user_iberr")
            self.ibcntl = _i32.in_dll(library, "user_ibcntl")
            for name, (restype, argtypes) in _SIGNATURES.items():
                function = getattr(library, name)
                function.restype, function.argtypes = restype, argtypes
                setattr(self, name, function)
        except (ValueError, AttributeError) as error:
            raise GpibLibraryError(f"{library._name} is no GPIB library: {error}") from None

    def failed(self):
        return bool(self.ibsta.value & _ERR)

    def check(self, call):
        if self.failed():
            raise Error(f"{call} on board 0 failed (iberr {self.iberr.value})")


def _printable(reply):
    reply = reply.rstrip(b"\r\n")
    return "".join(chr(b) if 0x20 <= b < 0x7F else f"\\x{b:02X}" for b in reply)


def _identify(calls, pad):
    ud = calls.ibdev(_BOARD, pad, 0, _T1S, _EOI_WITH_LAST_BYTE, _NO_EOS)
    if ud < 0:
        return None
    identification = None
    calls.ibwrt(ud, _IDENTIFY, len(_IDENTIFY))
    if not calls.failed():
        reply = ctypes.create_string_buffer(_REPLY_LIMIT)
        calls.ibrd(ud, reply, len(reply))
        received = max(0, min(calls.ibcntl.value, len(reply)))  # a count is never trusted
        if not calls.failed():
            identification = _printable(reply.raw[:received])
    # Back to local, so that no front panel stays locked by the scan.
    calls.ibloc(ud)
    calls.ibonl(ud, 0)
    return identification


def scan_bus(library):
    calls = _Calls(library)
    calls.SendIFC(_BOARD)
    calls.check("SendIFC")
    candidates = (_i16 * (_LAST_ADDRESS - _FIRST_ADDRESS + 2))(
        *range(_FIRST_ADDRESS, _LAST_ADDRESS + 1), _NOADDR)
    found = (_i16 * (_LAST_ADDRESS - _FIRST_ADDRESS + 1))()
    calls.FindLstn(_BOARD, candidates, found, len(found))
    calls.check("FindLstn")
    count = max(0, min(calls.ibcntl.value, len(found)))
    return [Listener(found[k] & 0xFF, _identify(calls, found[k] & 0xFF)) for k in range(count)]
