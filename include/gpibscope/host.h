/* gpibscope: the binary interface a simulation host compiles against.
 *
 * The module (gpibscope.dll on Windows, libgpibscope.so on POSIX) exports exactly three
 * functions with C linkage, by their plain names. A host loads it (LoadLibraryA, dlopen),
 * lists the devices with GetDeviceText, sizes its arrays with GetTransProperties and acquires
 * with GetData. Usable from C and C++. */
#ifndef GPIBSCOPE_HOST_H
#define GPIBSCOPE_HOST_H

#include <stdint.h>

#ifdef _WIN32
/* Windows and messages are the system's: HWND, SendMessageA and PBM_* from these headers. */
#include <windows.h>

#include <commctrl.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The calling convention of the exports and of the host's callback: the C default (__cdecl)
 * on both platforms, written out for compilers whose default can be changed. */
#ifdef _WIN32
#define GPIBSCOPE_CALL __cdecl
#else
#define GPIBSCOPE_CALL
#endif

#ifndef _WIN32
/* Window handles and messages, as the module's progress bar sees them on POSIX. */
typedef intptr_t LRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef uint32_t UINT;
struct HWND__;
typedef struct HWND__* HWND;
typedef LRESULT (*WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* A window is a procedure and whatever the host keeps with it; SendMessageA calls the
 * procedure. */
struct HWND__ {
  WNDPROC windowProc;
  void* userData;
};

/* Progress-bar messages the module sends (commctrl.h's values). */
enum { PBM_SETPOS = 1026, PBM_STEPIT = 1029 };
#endif

#if defined(__cplusplus) && defined(GPIBSCOPE_BUILDING_MODULE)
/* Inside the module these are the framework classes of its platform layer, with the same
 * layout as below. */
class CWnd;
class CString;
#else
/* The host's window object: the module reads m_hWnd anew before every message. */
typedef struct CWnd {
  HWND m_hWnd;
} CWnd;

/* The framework string handed to the message callback: one pointer to the NUL-terminated
 * text. The object lives only while the callback runs. */
typedef struct CString {
  char* m_pszData;
} CString;
#endif

/* Receives every user message; reserved is always null, the result is ignored. */
typedef int(GPIBSCOPE_CALL* MessageCallback)(void* reserved, const CString* message);

/* Five host-owned arrays: [0] the time axis in seconds, [1] to [4] channels 1 to 4 in volts. */
typedef struct WaveformBuffers {
  double* arrays[5];
} WaveformBuffers;

/* Device types: 0 Hameg "DEV1", 1 Hameg "DEV2", 2 Tektronix found on the bus,
 * 3 Philips "DEV8". */
enum { GPIBSCOPE_DEVICE_TYPES = 4 };

#if defined(GPIBSCOPE_BUILDING_MODULE) && !defined(_WIN32)
#define GPIBSCOPE_EXPORT __attribute__((visibility("default")))
#else /* on Windows the module's .def file names the exports */
#define GPIBSCOPE_EXPORT
#endif

GPIBSCOPE_EXPORT char* GPIBSCOPE_CALL GetDeviceText(char* buffer, int32_t size, int32_t type);
GPIBSCOPE_EXPORT int32_t GPIBSCOPE_CALL GetTransProperties(int32_t type, int32_t* points,
                                                           int16_t* channels);
GPIBSCOPE_EXPORT int32_t GPIBSCOPE_CALL GetData(int32_t type, WaveformBuffers* buffers,
                                                int32_t* points, int16_t* channels, CWnd* progress,
                                                MessageCallback callback);

/* Function pointer types for a host that binds the exports at run time (GetProcAddress, dlsym). */
typedef char*(GPIBSCOPE_CALL* GetDeviceTextFn)(char*, int32_t, int32_t);
typedef int32_t(GPIBSCOPE_CALL* GetTransPropertiesFn)(int32_t, int32_t*, int16_t*);
typedef int32_t(GPIBSCOPE_CALL* GetDataFn)(int32_t, WaveformBuffers*, int32_t*, int16_t*, CWnd*,
                                           MessageCallback);

#ifdef __cplusplus
}
#endif

#endif /* GPIBSCOPE_HOST_H */
