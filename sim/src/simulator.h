// The library's one state: the bus, the planned faults, the transcript and the status
// variables, behind one lock. Every exported call runs through Simulator::Call.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "bus.h"
#include "faults.h"
#include "transcript.h"

namespace gpibsim {

// The status variables after the latest call (iberr changes only when a call fails).
struct Status {
  int32_t ibsta = 0;
  int32_t iberr = 0;
  int32_t count = 0;
};

class Simulator {
 public:
  // Set up on first use from the environment: GPIBSIM_TRACE opens the trace file, and
  // GPIBSIM_BENCH names the bench (else the default bench). First use rather than a load-time
  // constructor, because the instrument models register through static objects whose
  // construction is not ordered before such a constructor.
  static Simulator& Instance();

  // One exported call: counts it for the planned faults, runs operation unless a fault takes
  // its place, applies a forced count, updates the status and records the call.
  Outcome Call(const char* function, std::string arguments,
               const std::function<Outcome(Bus&)>& operation);

  // Bench loading; false with lastError set on failure (the bus stays as it was).
  bool LoadBench(std::string_view text, const std::string& origin);
  bool LoadBenchFile(const std::string& path);
  // The bench file at path, or the default bench when path is empty.
  bool LoadBenchFileOrDefault(const std::string& path);
  // Empty bus, no faults, empty transcript.
  void Reset();

  std::recursive_mutex mutex;
  Bus bus;
  Faults faults;
  Transcript transcript;
  Status status;
  std::string lastError;

 private:
  Simulator();
};

// printf-style text for a call's arguments.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

extern const char* const kDefaultBenchText;

}  // namespace gpibsim
