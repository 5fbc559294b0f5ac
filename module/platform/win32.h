// The few Win32 pieces the module uses: module handles and dynamic libraries, window messages,
// the dialog results, and the runtime's file test. On Windows they are the system's own; on
// POSIX a small layer of stand-ins gives them the same names and values.
#pragma once

#ifdef _WIN32
#include "platform/win32/windows_api.h"
#else
#include "platform/posix/win32_api.h"
#endif
