/* gpibscope: the binary interface a simulation host compiles against.
 *
 * The module (gpibscope.dll on Windows, libgpibscope.so on POSIX) exports exactly three
 * functions with C linkage, by their plain names. A host loads it (LoadLibraryA, dlopen),
 * lists the devices with GetDeviceText, sizes its arrays with GetTransProperties and acquires
 * with GetData. Usable from C and C++. What follows is the whole contract: what each call
 * reads and writes, for each device type.
 *
 * GetDeviceText(buffer, size, type): the device's display name (at most 20 characters),
 *   copied as strncpy copies size - 2 characters, with buffer[size - 1] set to NUL; 23 bytes
 *   hold every name whole. Returns buffer, or null (an invalid type clears buffer[0]).
 *
 * GetTransProperties(type, points, channels): 1 after writing *points (values per array) and
 *   *channels (arrays, the time axis counted); 0 with both untouched.
 *     Hameg (0, 1)   4096 points, 3 arrays     no library loaded, no instrument asked
 *     Tektronix (2)  20000 points, 5 arrays    likewise
 *     Philips (3)    asked of the instrument at "DEV8": 2048 points in 3 arrays when both of
 *                    its channels are on, else 4096 points in 2 arrays
 *   Only the Philips can fail (GPIB library missing, instrument unreachable or not a PM3323).
 *   Its message goes to the callback recorded by the latest GetData, not to any callback of
 *   this call; before the first GetData of the process it is dropped. No progress message.
 *
 * GetData(type, buffers, points, channels, progress, callback): one acquisition into the
 *   arrays the host provides, at least as many and as long as GetTransProperties gave. It
 *   records callback and progress first (for this and later messages), and returns 1, or 0;
 *   a failure is told to callback as one line (a few instrument faults, such as a Philips
 *   that stops answering in mid-conversation, end silently). A failed acquisition sends
 *   PBM_SETPOS 0 to progress after its messages; a missing GPIB library (message 1) or an
 *   invalid type (no message) does not. Whatever was written before a failure stays. Along
 *   the way the progress bar receives PBM_STEPIT once per stage (Hameg and Philips up to 9,
 *   Tektronix 8 with five arrays).
 *     Hameg (0, 1)   writes *points and *channels on success, never reads them.
 *                    Normal mode: array 0 the time axis from 0 s, array 1 the first channel
 *                    present, array 2 channel 2 when both are; 2048 points in 3 arrays with
 *                    both, else 4096 points in 2 (with no channel present, the time axis
 *                    alone).
 *                    XY mode: no time axis; channel 1 (X) in array 0, channel 2 (Y) in
 *                    array 1, 2 arrays; 2048 points with both, else 4096 with the one
 *                    present alone in its array.
 *     Tektronix (2)  reads *channels, the arrays provided (5, as GetTransProperties says),
 *                    and writes *points, the instrument's record length up to 20000. Array 0
 *                    the time axis, array k channel k for each channel switched on, for k up
 *                    to *channels - 1.
 *     Philips (3)    neither reads nor writes *points or *channels: the sizes are those
 *                    GetTransProperties gave. Array 0 the time axis, array 1 the first channel
 *                    on, array 2 channel B when both are on. A configuration changed since so
 *                    that it no longer fits those sizes is refused (message 3).
 *   Arrays 3 and 4 are written only by the Tektronix. No sample or time of a working
 *   instrument is NaN, so a host that fills its arrays with NaN beforehand sees which values
 *   were written.
 *
 * Telling the Hameg's XY mode: 3 arrays is normal mode; 2048 points in 2 arrays is XY mode
 *   with both channels. With 4096 points in 2 arrays (one channel or none) array 0, when it
 *   was written, is the time axis exactly when it is strictly monotonic (a running sum of
 *   one increment) or all zero (a time base that reads as zero); otherwise it is X. X is an
 *   8-bit sample scaled, at most 256 distinct values over 4096 points, so it is never
 *   strictly monotonic, and an all-zero X holds the same values as that time axis. An array
 *   0 left unwritten is XY mode with channel 2 alone (in array 1), or no channel at all. */
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

/* Device types: 0 Hameg "DEV1", 1 Hameg "DEV2", 2 Tektronix found on the bus (with a
 * chooser on the terminal when several answer), 3 Philips "DEV8". Any other is invalid. */
enum {
  GPIBSCOPE_HAMEG_DEV1 = 0,
  GPIBSCOPE_HAMEG_DEV2 = 1,
  GPIBSCOPE_TEKTRONIX = 2,
  GPIBSCOPE_PHILIPS_DEV8 = 3,
  GPIBSCOPE_DEVICE_TYPES = 4
};

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
