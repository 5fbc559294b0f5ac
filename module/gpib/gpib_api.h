// The GPIB library bound at run time: its status variables and entry points, looked up by
// name for the length of one exported call.
#pragma once

#include "ni488/bound_entries.h"
#include "platform/win32.h"

// The library's own status variables, read through their pointers when needed, and its entry
// points.
struct GpibApi : GpibEntries {
  HMODULE library = nullptr;  // null while unbound
};

// The module's one binding, valid between a successful LoadGpibApi and UnloadGpibApi.
extern GpibApi Gpib;

// Loads "gpib-32.dll" and looks up all 22 names. On any failure the library is released,
// message 1 is reported and the result is false.
bool LoadGpibApi();
// Releases the library (nothing when it is not loaded).
void UnloadGpibApi();
