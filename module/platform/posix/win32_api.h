// POSIX stand-ins for the Win32 pieces the module uses, with the names and values of the real
// ones: module handles and dynamic libraries, window messages, and the runtime's file test.
#pragma once

#include <cstdint>

#include "gpibscope/host.h"

using BOOL = int;
using DWORD = uint32_t;
using LPCSTR = const char*;
using LPVOID = void*;
using HINSTANCE = void*;  // a dlopen handle
using HMODULE = HINSTANCE;
using FARPROC = void*;
using INT_PTR = intptr_t;
using DWORD_PTR = uintptr_t;

#define WINAPI

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr DWORD DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1, DLL_THREAD_ATTACH = 2,
                DLL_THREAD_DETACH = 3;

// The list-box messages the chooser sends.
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr LRESULT LB_ERR = -1;

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
