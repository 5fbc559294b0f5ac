// The 22 names bound through a platform's lookup (a name to an address, null when missing).
#pragma once

#include <optional>
#include <string>

#include "front.h"

namespace gpib_recorder {

template <typename Lookup>
std::optional<gpib_front::GpibEntries> BindEntries(Lookup&& lookup, std::string& why) {
  gpib_front::GpibEntries entries;
  bool complete = true;
  const auto bind = [&](const char* name, auto& slot) {
    // Through void*: an entry may be a variable.
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(lookup(name));
    if (slot == nullptr) {
      why += (complete ? "it lacks " : ", ") + std::string(name);
      complete = false;
    }
  };
#define GPIB_BIND_VARIABLE(name, member) bind(#name, entries.member);
#define GPIB_BIND_FUNCTION(name, member, Type) bind(#name, entries.member);
  NI488_STATUS_VARIABLES(GPIB_BIND_VARIABLE)
  NI488_FUNCTIONS(GPIB_BIND_FUNCTION, GPIB_BIND_FUNCTION)
#undef GPIB_BIND_VARIABLE
#undef GPIB_BIND_FUNCTION
  if (!complete) return std::nullopt;
  return entries;
}

}  // namespace gpib_recorder
