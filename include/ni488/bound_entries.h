// The GPIB library's 22 names as bound at run time: its status variables and entry points,
// looked up by name (ibfind as "ibfindA", the single-byte form). The module binds the GPIB
// library with it, and the recorder the library it stands in front of.
#pragma once

#include <type_traits>

#include "bound_names.h"
#include "ni488.h"

struct GpibEntries {
#define NI488_ENTRY_VARIABLE(name, member) int32_t* member = nullptr;
#define NI488_ENTRY_FUNCTION(name, member, Type) Type member = nullptr;
  NI488_STATUS_VARIABLES(NI488_ENTRY_VARIABLE)
  NI488_FUNCTIONS(NI488_ENTRY_FUNCTION, NI488_ENTRY_FUNCTION)
#undef NI488_ENTRY_VARIABLE
#undef NI488_ENTRY_FUNCTION
};

// Looks every name up with lookup(name), an address or null, in the list's order and each one
// even after another is missing; missing(name) hears of each that was not found. True when
// all were.
template <typename Lookup, typename Missing>
bool BindGpibEntries(GpibEntries& entries, Lookup&& lookup, Missing&& missing) {
  bool complete = true;
  const auto bind = [&](const char* name, auto& slot) {
    // Through void*: an entry may be a variable, and Windows types every export as a function.
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(lookup(name));
    if (slot == nullptr) {
      complete = false;
      missing(name);
    }
  };
#define NI488_BIND_ENTRY(name, member, ...) bind(#name, entries.member);
  NI488_STATUS_VARIABLES(NI488_BIND_ENTRY)
  NI488_FUNCTIONS(NI488_BIND_ENTRY, NI488_BIND_ENTRY)
#undef NI488_BIND_ENTRY
  return complete;
}
