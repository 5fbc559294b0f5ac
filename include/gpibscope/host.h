/* gpibscope: the binary interface a simulation host compiles against.
 *
 * libgpibscope.so exports exactly three functions with C linkage. A host loads it with
 * dlopen, lists the devices with GetDeviceText, sizes its arrays with GetTransProperties
 * and acquires with GetData. Usable from C and C++. */
#ifndef GPIBSCOPE_HOST_H
#define GPIBSCOPE_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Window handles and messages, as the module's progress bar sees them. */
typedef intptr_t LRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef uint32_t UINT;
struct HWND__;
typedef struct HWND__* HWND;
typedef LRESULT (*WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* A window is a procedure and whatever the host keeps with it. */
struct HWND__ {
  WNDPROC windowProc;
  void* userData;
};

/* Progress-bar messages the module sends. */
enum { PBM_SETPOS = 1026, PBM_STEPIT = 1029 };

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
typedef int (*MessageCallback)(void* reserved, const CString* message);

/* Five host-owned arrays: [0] the time axis in seconds, [1] to [4] channels 1 to 4 in volts. */
typedef struct WaveformBuffers {
  double* arrays[5];
} WaveformBuffers;

/* Device types: 0 Hameg "DEV1", 1 Hameg "DEV2", 2 Tektronix found on the bus,
 * 3 Philips "DEV8". */
enum { GPIBSCOPE_DEVICE_TYPES = 4 };

#if defined(GPIBSCOPE_BUILDING_MODULE)
#define GPIBSCOPE_EXPORT __attribute__((visibility("default")))
#else
#define GPIBSCOPE_EXPORT
#endif

GPIBSCOPE_EXPORT char* GetDeviceText(char* buffer, int32_t size, int32_t type);
GPIBSCOPE_EXPORT int32_t GetTransProperties(int32_t type, int32_t* points, int16_t* channels);
GPIBSCOPE_EXPORT int32_t GetData(int32_t type, WaveformBuffers* buffers, int32_t* points,
                                 int16_t* channels, CWnd* progress, MessageCallback callback);

/* Function pointer types for a host that binds the exports with dlsym. */
typedef char* (*GetDeviceTextFn)(char*, int32_t, int32_t);
typedef int32_t (*GetTransPropertiesFn)(int32_t, int32_t*, int16_t*);
typedef int32_t (*GetDataFn)(int32_t, WaveformBuffers*, int32_t*, int16_t*, CWnd*, MessageCallback);

#ifdef __cplusplus
}
#endif

#endif /* GPIBSCOPE_HOST_H */
