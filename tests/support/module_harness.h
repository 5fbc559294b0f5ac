// Test harness for the module's own code: the simulated bus with scripted devices and bench
// files, the GPIB binding for the length of a test, and a host that records every message and
// progress step.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "driver/module_globals.h"
#include "gpibsim/gpibsim.h"
#include "support/bench_files.h"
#include "support/recording_host.h"

namespace testing_support {

// One call of the transcript, with its bytes as a string.
struct Call {
  std::string function;
  std::string arguments;
  int32_t ibsta = 0;
  int32_t iberr = 0;
  int32_t ibcntl = 0;
  std::string data;
};

// An empty simulated bus for one test; the transcript starts empty.
class SimBus {
 public:
  SimBus();
  ~SimBus();
  SimBus(const SimBus&) = delete;
  SimBus& operator=(const SimBus&) = delete;

  // A scripted device at pad, optionally known by a configured name.
  void AddScripted(int32_t pad, const char* name = nullptr);
  // When the device receives `command` as one message, it answers `reply`.
  void Reply(int32_t pad, std::string_view command, std::string_view reply);
  // The device answers `reply` to the next read, whatever was written.
  void Queue(int32_t pad, std::string_view reply);
  void LoadBench(std::string_view toml);
  // A bench file by its path (see bench_files.h).
  void LoadBenchFile(const std::string& path);

  std::vector<Call> Calls() const;
  // The calls of one function, in order.
  std::vector<Call> CallsOf(std::string_view function) const;
  // The bytes of every write (ibwrt, Send), in order.
  std::vector<std::string> Written() const;
};

// A recording host that the module has recorded as its callback and progress window, as
// GetData records them, so that drivers called directly report to it.
class ModuleHost : public RecordingHost {
 public:
  ModuleHost();
  ~ModuleHost();
};

// The GPIB library bound for one scope, with the settle wait made instant.
class BoundGpib {
 public:
  BoundGpib();
  ~BoundGpib();
  BoundGpib(const BoundGpib&) = delete;
  BoundGpib& operator=(const BoundGpib&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

// The instance handle the test executable's copy of the module started with (the module's
// code is linked in, so start-up runs as the shared library's load would run it).
HINSTANCE TestModuleInstance();
// Runs start-up again, with QUENLANG_RESOURCE_MODULE set to languageModule (or unset).
void RestartModule(const char* languageModule);

// A calendar clock that moves one second per reading, so the settle wait ends at once.
std::time_t SteppingClock(std::time_t* out);

// Five arrays of `points` values each, filled with a marker so untouched values show.
struct HostArrays {
  explicit HostArrays(size_t points, double marker = -999.0);
  std::vector<double> arrays[5];
  WaveformBuffers buffers{};
  double marker;
  bool Untouched(int index) const;
};

// What a test calling a driver directly works with: the bus, the library bound, a host, its
// arrays of arrayPoints values each, and the figures the driver reports, which start at values
// it would not leave so that what it wrote shows.
struct DriverFixture {
  DriverFixture(size_t arrayPoints, int32_t startPoints, int16_t startChannels)
      : arrays(arrayPoints), points(startPoints), channels(startChannels) {}
  SimBus bus;
  BoundGpib gpib;
  ModuleHost host;
  HostArrays arrays;
  int32_t points;
  int16_t channels;
};

}  // namespace testing_support
