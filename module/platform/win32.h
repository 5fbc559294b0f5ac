// POSIX stand-ins for the few Win32 pieces the module uses: module handles and dynamic
// libraries, window messages, and the runtime's file test. A Windows build replaces this
// layer with <windows.h>; nothing above it changes.
#pragma once

#include <cstdint>

#include "gpibscope/host.h"

using BOOL = int;
using DWORD = uint32_t;
using LPCSTR = const char*;
using HINSTANCE = void*;  // a dlopen handle
using HMODULE = HINSTANCE;
using FARPROC = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Loads a library. "name.dll" maps to "libname.so" found by the loader's usual search;
// a name containing '/' is a path used as it stands. Null when it does not load.
HMODULE LoadLibraryA(LPCSTR fileName);
// Address of an exported function or variable, or null.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// Releases one reference; does nothing for a null handle.
BOOL FreeLibrary(HMODULE module);

// The file name LoadLibraryA hands to the loader for fileName.
const char* MapLibraryName(LPCSTR fileName, char* out, int outSize);

// Calls the window's procedure synchronously; 0 for a null window.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runtime library: 0 when the file exists (mode 0), -1 otherwise.
int _access(const char* path, int mode);
