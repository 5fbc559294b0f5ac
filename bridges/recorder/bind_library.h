// The 22 names of the library behind the recorder, bound through a platform's lookup (a name
// to an address, null when missing); why lists the names it lacks.
#pragma once

#include <optional>
#include <string>

#include "ni488/bound_entries.h"

namespace gpib_recorder {

template <typename Lookup>
std::optional<GpibEntries> BindLibrary(Lookup&& lookup, std::string& why) {
  GpibEntries entries;
  const auto missing = [&why](const char* name) {
    why += (why.empty() ? "it lacks " : ", ") + std::string(name);
  };
  if (!BindGpibEntries(entries, lookup, missing)) return std::nullopt;
  return entries;
}

}  // namespace gpib_recorder
