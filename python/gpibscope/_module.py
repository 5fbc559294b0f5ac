"""The driver module, loaded once per path and called as a simulation host calls it.

The module keeps the message callback and the progress window of the latest GetData for
later messages (GetTransProperties reports through them), so each loaded module gets one
callback and one window for the life of the process, and they hand what arrives to whichever
acquisition is running. The module's state is not locked and a host calls one export at a
time, so every call sequence holds the module's lock."""

import ctypes
import os
import threading

from . import _host
from ._errors import Error

_modules = {}
_modules_lock = threading.Lock()


class Listeners:
    """Who hears the module now: a list that collects its messages and a function that
    receives each new position of the progress bar."""

    def __init__(self):
        self.messages = None
        self.moved = None
        self.position = 0


class DriverModule:
    def __init__(self, path):
        try:
            self._library = ctypes.CDLL(path)
            _host.bind_exports(self._library)
        except (OSError, AttributeError) as error:
            raise Error(f"cannot load the driver module {path}: {error}") from None
        self.path = path
        self.lock = threading.RLock()
        self.listeners = Listeners()
        # Kept for the life of the process: the module holds on to their addresses.
        self._callback = _host.MessageCallback(self._on_message)
        self._window_proc = _host.WNDPROC(self._on_window_message)
        self._hwnd = _host.HWND(self._window_proc, None)
        self.window = _host.CWnd(ctypes.pointer(self._hwnd))

    def _on_message(self, _reserved, message):
        if self.listeners.messages is not None and message and message.contents.m_pszData:
            self.listeners.messages.append(
                message.contents.m_pszData.decode("utf-8", errors="replace"))
        return 0

    def _on_window_message(self, _hwnd, message, wparam, _lparam):
        listeners = self.listeners
        if message == _host.PBM_STEPIT:
            listeners.position += 1
        elif message == _host.PBM_SETPOS:
            listeners.position = int(wparam)
        else:
            return 0
        if listeners.moved is not None:
            listeners.moved(listeners.position)
        return 0

    def display_name(self, type_number):
        """The catalogue's name of a device type without trailing blanks; '' when unknown."""
        buffer = ctypes.create_string_buffer(64)
        with self.lock:
            if self._library.GetDeviceText(buffer, len(buffer), type_number) is None:
                return ""
        return buffer.value.decode("latin-1").rstrip(" ")

    def get_trans_properties(self, type_number):
        """(points, arrays) or None."""
        points, arrays = ctypes.c_int32(0), ctypes.c_int16(0)
        if self._library.GetTransProperties(type_number, ctypes.byref(points),
                                            ctypes.byref(arrays)) != 1:
            return None
        return points.value, arrays.value

    def get_data(self, type_number, buffers, points, arrays):
        """GetData with the module's callback and window; points and arrays are c_int32 and
        c_int16 the module may read and write."""
        return self._library.GetData(type_number, ctypes.byref(buffers), ctypes.byref(points),
                                     ctypes.byref(arrays), ctypes.byref(self.window),
                                     self._callback)

    def hand_callback_over(self):
        """GetTransProperties reports to the callback of the latest GetData: a GetData for no
        device type records this module's callback and does nothing else."""
        self.get_data(-1, _host.WaveformBuffers(), ctypes.c_int32(0), ctypes.c_int16(0))


def load(path):
    """The driver module at path, loaded once per process."""
    key = os.path.realpath(path)
    with _modules_lock:
        if key not in _modules:
            if not os.path.isfile(key):
                raise Error(f"there is no driver module at {path}; build it, or name it with "
                            "GPIBSCOPE_MODULE or module=")
            _modules[key] = DriverModule(key)
        return _modules[key]
