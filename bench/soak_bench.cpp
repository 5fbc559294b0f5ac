// A host that lives for hours: 10,000 acquisitions cycling the four device types in one
// process, on the default simulated bench with bytes moved instantly and the settle wait's
// calendar clock replaced (the module's code linked in, as acquisition_bench measures types 0
// and 3). Each acquisition must deliver what the first of its type delivered. After the first
// 1,000 and at the end: resident memory, open file descriptors and the GPIB descriptors the
// library holds open; CPU time per acquisition over the first and the last 1,000.
//
// The simulated library keeps its latest Transcript::kMaxCalls calls in memory, each with at
// most Outcome::kKeptBytes of data: the one thing here allowed to grow, up to its bound (about
// 30 calls an acquisition fill it within the first 3,500), which the run reports as
// transcript_calls; the figures at 5,000 show the memory flat once it is full.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <array>
#include <ctime>
#include <fstream>
#include <string>

#include "gpib/instrument_access.h"
#include "gpibsim/gpibsim.h"
#include "support/module_harness.h"
#include "support/session.h"

namespace {

using testing_support::Delivery;

constexpr int kAcquisitions = 10000;
constexpr int kWindow = 1000;  // acquisitions in each measured stretch
constexpr int32_t kDeviceTypes = 4;

double ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

double OpenFileDescriptors() {
  DIR* directory = opendir("/proc/self/fd");
  if (directory == nullptr) return -1.0;
  int count = 0;
  while (readdir(directory) != nullptr) ++count;
  closedir(directory);
  return count - 3.0;  // ".", ".." and the directory's own descriptor
}

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The figures of the process at one point of the run, as counters named "<what>_<at>".
void Snapshot(benchmark::State& state, const std::string& at) {
  state.counters["rss_kb_" + at] = ResidentKilobytes();
  state.counters["fds_" + at] = OpenFileDescriptors();
  state.counters["gpib_descriptors_" + at] = gpibsim_open_descriptors();
  state.counters["transcript_calls_" + at] = gpibsim_call_count();
}

void LongSession(benchmark::State& state) {
  if (gpibsim_load_default_bench() != 0) {
    state.SkipWithError(gpibsim_last_error());
    return;
  }
  gpibsim_set_transfer_rate(0.0);
  SetCalendarClock(&testing_support::SteppingClock);
  std::array<Delivery, kDeviceTypes> first;
  for (auto _ : state) {
    int failures = 0;
    double cpuFirst = 0.0;
    double cpuLast = 0.0;
    for (int n = 0; n < kAcquisitions; ++n) {
      const int32_t type = n % kDeviceTypes;
      const double before = CpuSeconds();
      Delivery delivery = testing_support::Acquire(&GetTransProperties, &GetData, type);
      const double spent = CpuSeconds() - before;
      if (n < kWindow) cpuFirst += spent;
      if (n >= kAcquisitions - kWindow) cpuLast += spent;
      const auto slot = static_cast<size_t>(type);
      if (n < kDeviceTypes) {
        if (delivery.result != 1) ++failures;
        first[slot] = std::move(delivery);
      } else if (!(delivery == first[slot])) {
        ++failures;
      }
      if (n + 1 == kWindow) Snapshot(state, "1000");
      if (n + 1 == kAcquisitions / 2) Snapshot(state, "5000");  // the transcript full by then
    }
    Snapshot(state, "end");
    state.counters["failures"] = failures;
    state.counters["cpu_us_per_acquisition_first_1000"] = cpuFirst / kWindow * 1e6;
    state.counters["cpu_us_per_acquisition_last_1000"] = cpuLast / kWindow * 1e6;
  }
  SetCalendarClock(nullptr);
}

}  // namespace

BENCHMARK(LongSession)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
