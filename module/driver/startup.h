// Module start-up: registration with the framework and the choice of the resource module.
#pragma once

#include "platform/afx.h"

// The module's entry: only process attach does work; every reason succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
