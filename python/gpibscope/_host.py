"""The host side of the module's binary interface (gpibscope/host.h) in ctypes: the records
that cross it and the signatures of the three exports and of the callbacks."""

import ctypes

PBM_SETPOS = 1026
PBM_STEPIT = 1029

LRESULT = ctypes.c_ssize_t
WNDPROC = ctypes.CFUNCTYPE(LRESULT, ctypes.c_void_p, ctypes.c_uint32, ctypes.c_size_t,
                           ctypes.c_ssize_t)


class HWND(ctypes.Structure):
    """A window: the procedure SendMessageA calls, and whatever the host keeps with it."""
    _fields_ = [("windowProc", WNDPROC), ("userData", ctypes.c_void_p)]


class CWnd(ctypes.Structure):
    _fields_ = [("m_hWnd", ctypes.POINTER(HWND))]


class CString(ctypes.Structure):
    _fields_ = [("m_pszData", ctypes.c_char_p)]


MessageCallback = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.POINTER(CString))


MAX_ARRAYS = 5


class WaveformBuffers(ctypes.Structure):
    """[0] the time axis, [1] to [4] channels 1 to 4; each a host-owned array of doubles."""
    _fields_ = [("arrays", ctypes.c_void_p * MAX_ARRAYS)]


def bind_exports(library):
    """Gives the three exports of a loaded module their C signatures."""
    library.GetDeviceText.restype = ctypes.c_char_p
    library.GetDeviceText.argtypes = [ctypes.c_char_p, ctypes.c_int32, ctypes.c_int32]
    library.GetTransProperties.restype = ctypes.c_int32
    library.GetTransProperties.argtypes = [ctypes.c_int32, ctypes.POINTER(ctypes.c_int32),
                                           ctypes.POINTER(ctypes.c_int16)]
    library.GetData.restype = ctypes.c_int32
    library.GetData.argtypes = [ctypes.c_int32, ctypes.POINTER(WaveformBuffers),
                                ctypes.POINTER(ctypes.c_int32), ctypes.POINTER(ctypes.c_int16),
                                ctypes.POINTER(CWnd), MessageCallback]
