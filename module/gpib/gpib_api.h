// The GPIB library bound at run time: its status variables and entry points, looked up by
// name for the length of one exported call.
#pragma once

#include "ni488/bound_names.h"
#include "ni488/ni488.h"
#include "platform/win32.h"

struct GpibApi {
  HMODULE library = nullptr;  // null while unbound
  // The library's own status variables, read through these pointers when needed, and its
  // entry points (ibfind is bound to "ibfindA", the single-byte form).
#define GPIB_API_VARIABLE(name, member) int32_t* member = nullptr;
#define GPIB_API_FUNCTION(name, member, Type) Type member = nullptr;
  NI488_STATUS_VARIABLES(GPIB_API_VARIABLE)
  NI488_FUNCTIONS(GPIB_API_FUNCTION, GPIB_API_FUNCTION)
#undef GPIB_API_VARIABLE
#undef GPIB_API_FUNCTION
};

// The module's one binding, valid between a successful LoadGpibApi and UnloadGpibApi.
extern GpibApi Gpib;

// Loads "gpib-32.dll" and looks up all 22 names. On any failure the library is released,
// message 1 is reported and the result is false.
bool LoadGpibApi();
// Releases the library (nothing when it is not loaded).
void UnloadGpibApi();
