#include "faults.h"

namespace gpibsim {

namespace {

std::optional<int32_t> Take(std::map<std::pair<std::string, uint64_t>, int32_t>& planned,
                            const std::pair<std::string, uint64_t>& key) {
  const auto found = planned.find(key);
  if (found == planned.end()) return std::nullopt;
  const int32_t value = found->second;
  planned.erase(found);
  return value;
}

}  // namespace

Faults::CallKey Faults::KeyFor(const std::string& function, int32_t nth) {
  return {function, callsSoFar_[function] + static_cast<uint64_t>(nth)};
}

void Faults::FailCall(const std::string& function, int32_t nth, int32_t iberr) {
  if (nth >= 1) failures_[KeyFor(function, nth)] = iberr;
}

void Faults::ForceCount(const std::string& function, int32_t nth, int32_t count) {
  if (nth >= 1) forcedCounts_[KeyFor(function, nth)] = count;
}

Faults::Plan Faults::NextCall(const std::string& function) {
  const CallKey key{function, ++callsSoFar_[function]};
  return {Take(failures_, key), Take(forcedCounts_, key)};
}

void Faults::Reset() {
  callsSoFar_.clear();
  failures_.clear();
  forcedCounts_.clear();
}

}  // namespace gpibsim
