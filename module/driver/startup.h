// Module start-up: registration with the framework and the choice of the resource module.
#pragma once

#include "platform/afx.h"

constexpr DWORD DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1, DLL_THREAD_ATTACH = 2,
                DLL_THREAD_DETACH = 3;

// The module's entry: only process attach does work; every reason succeeds.
BOOL DllMain(HINSTANCE instance, DWORD reason, void* reserved);
