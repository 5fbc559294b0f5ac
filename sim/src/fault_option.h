// The emulators' --fault option, "KIND:N": one of the faults they know, and where it strikes.
#pragma once

#include <cstddef>
#include <cstdio>
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

// Applies a --fault option through parse (none when text is empty); false after a line on
// standard error saying what is wrong with it.
template <typename Fault, typename Parse>
bool FaultOptionAccepted(const std::string& text, Fault& fault, Parse parse) {
  if (text.empty()) return true;
  const std::string error = parse(text, fault);
  if (error.empty()) return true;
  std::fprintf(stderr, "--fault %s: %s\n", text.c_str(), error.c_str());
  return false;
}

}  // namespace gpibsim
