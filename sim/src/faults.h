// Faults planned by a test: the nth call of an exported function from now fails with an
// error code, or reports a byte count of the test's choosing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace gpibsim {

class Faults {
 public:
  // What happens to one call.
  struct Plan {
    std::optional<int32_t> failWith;     // iberr; the call does not run
    std::optional<int32_t> forcedCount;  // ibcnt/ibcntl after the call has run
  };

  void FailCall(const std::string& function, int32_t nth, int32_t iberr);
  void ForceCount(const std::string& function, int32_t nth, int32_t count);
  // Counts one call of function and returns what was planned for it.
  Plan NextCall(const std::string& function);
  void Reset();

 private:
  using CallKey = std::pair<std::string, uint64_t>;  // function, number of its call
  CallKey KeyFor(const std::string& function, int32_t nth);

  std::map<std::string, uint64_t> callsSoFar_;
  std::map<CallKey, int32_t> failures_;
  std::map<CallKey, int32_t> forcedCounts_;
};

}  // namespace gpibsim
