// The emulators' --fault option, "KIND:N": one of the faults they know, and where it strikes.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>

namespace gpibsim {

// Sets kind and at from text, or returns what is wrong with it: expected says how a right
// option looks, counted what N counts.
template <typename Kind>
std::string ParseFaultOption(const std::string& text, const std::map<std::string, Kind>& kinds,
                             const std::string& expected, const std::string& counted, Kind& kind,
                             size_t& at) {
  const size_t colon = text.find(':');
  const auto found = kinds.find(text.substr(0, colon));
  if (found == kinds.end() || colon == std::string::npos) return "expected " + expected;
  try {
    at = std::stoul(text.substr(colon + 1));
  } catch (const std::exception&) {
    return "N must be " + counted;
  }
  kind = found->second;
  return {};
}

}  // namespace gpibsim
