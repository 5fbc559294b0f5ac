// Whole GetData calls on the simulated bus with no pacing (bytes move instantly), each beside a
// memcpy of the bytes its reads moved. Device type 2 goes through libgpibscope.so loaded as a
// host loads it: the scan and the TDS540 read involve no settle wait. Types 0 and 3 open a
// configured device, which waits up to a second for the calendar clock's next second; they
// are measured with the module's code linked in and that clock replaced by one that steps a
// second per reading, as the unit suites do.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "gpib/instrument_access.h"
#include "gpibsim/gpibsim.h"
#include "support/module_harness.h"

namespace {

// Four channels of 20000 points: the most the host's arrays hold for this device type.
constexpr const char* kTektronixBench = R"(
transfer_rate = 0.0
[[device]]
model = "tds540"
address = 5
time_per_div = 20e-6
record_length = 20000
[device.ch1.signal]
shape = "sine"
[device.ch2.signal]
shape = "square"
[device.ch3.signal]
shape = "triangle"
[device.ch4.signal]
shape = "noisy_sine"
)";

// Both channels on: 2048 points each.
constexpr const char* kHamegBench = R"(
transfer_rate = 0.0
[[device]]
model = "hm408"
address = 1
name = "DEV1"
[device.ch1.signal]
shape = "sine"
[device.ch2.signal]
shape = "square"
)";

// Both channels on, a full memory of 4096 words: 2048 points each.
constexpr const char* kPhilipsBench = R"(
transfer_rate = 0.0
[[device]]
model = "pm3323"
address = 8
name = "DEV8"
[device.a]
on = true
[device.b]
on = true
)";

LRESULT IgnoreProgress(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
int IgnoreMessage(void*, const CString*) {
  return 0;
}

struct Acquisition {
  const char* label;
  const char* benchText;
  int32_t type;
  int32_t points;    // per array, as GetTransProperties answers for the bench
  int16_t channels;  // arrays, the time axis included
  size_t samples;    // channel samples delivered per call
  GetDataFn getData;
  const char* how;
};

// The bytes that the reads of one call moved, from the simulated library's transcript.
size_t BytesRead() {
  size_t total = 0;
  for (int32_t i = 0; i < gpibsim_call_count(); ++i) {
    gpibsim_call call{};
    gpibsim_get_call(i, &call);
    const std::string function = call.function;
    if (function == "ibrd" || function == "Receive") total += static_cast<size_t>(call.dataTotal);
  }
  return total;
}

class HostSide {
 public:
  explicit HostSide(const Acquisition& acquisition)
      : acquisition_(acquisition),
        arrays_(5, std::vector<double>(static_cast<size_t>(acquisition.points))) {
    for (size_t i = 0; i < 5; ++i) buffers_.arrays[i] = arrays_[i].data();
    hwnd_.windowProc = &IgnoreProgress;
    window_.m_hWnd = &hwnd_;
  }
  // One GetData; false unless it delivered.
  bool Call() {
    int32_t points = 0;
    int16_t channels = acquisition_.channels;
    return acquisition_.getData(acquisition_.type, &buffers_, &points, &channels, &window_,
                                &IgnoreMessage) == 1;
  }

 private:
  const Acquisition& acquisition_;
  std::vector<std::vector<double>> arrays_;
  WaveformBuffers buffers_{};
  HWND__ hwnd_{};
  CWnd window_{};
};

void MeasureGetData(benchmark::State& state, const Acquisition* acquisition) {
  if (gpibsim_load_bench_text(acquisition->benchText) != 0) {
    state.SkipWithError(gpibsim_last_error());
    return;
  }
  HostSide host(*acquisition);
  gpibsim_clear_transcript();
  if (!host.Call()) {
    state.SkipWithError("GetData did not deliver");
    return;
  }
  const size_t bytes = BytesRead();
  for (auto _ : state) {
    gpibsim_clear_transcript();  // the library keeps every call; a long run would fill it
    if (!host.Call()) {
      state.SkipWithError("GetData did not deliver");
      return;
    }
  }
  state.SetLabel(acquisition->how);
  state.counters["bytes_read"] = static_cast<double>(bytes);
  bench::CountWork(state, acquisition->samples, bytes);
}

// The transcript's byte count of one delivering call, for the memcpy reference.
size_t BytesOfOneCall(const Acquisition& acquisition) {
  if (gpibsim_load_bench_text(acquisition.benchText) != 0) return 0;
  HostSide host(acquisition);
  gpibsim_clear_transcript();
  return host.Call() ? BytesRead() : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The shared module, loaded as a host loads it; it finds the simulated library this
  // program already holds.
  void* module = dlopen(GPIBSCOPE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  auto* sharedGetData = module ? reinterpret_cast<GetDataFn>(dlsym(module, "GetData")) : nullptr;
  if (sharedGetData == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", GPIBSCOPE_MODULE_PATH, dlerror());
    return 1;
  }
  SetCalendarClock(&testing_support::SteppingClock);

  const char* kShared = "libgpibscope.so via dlopen";
  const char* kLinked = "module linked in, settle-wait clock replaced";
  static const std::vector<Acquisition> acquisitions = {
      {"getdata_type2_tds540", kTektronixBench, 2, 20000, 5, 4 * 20000, sharedGetData, kShared},
      {"getdata_type0_hm408", kHamegBench, 0, 4096, 3, 2 * 2048, &GetData, kLinked},
      {"getdata_type3_pm3323", kPhilipsBench, 3, 2048, 3, 2 * 2048, &GetData, kLinked},
  };
  for (const Acquisition& acquisition : acquisitions) {
    const size_t bytes = BytesOfOneCall(acquisition);
    if (bytes == 0) {
      std::fprintf(stderr, "%s: GetData does not deliver on its bench\n", acquisition.label);
      return 1;
    }
    bench::RegisterMemcpy(acquisition.label, bytes);
    benchmark::RegisterBenchmark((std::string(acquisition.label) + "/getdata").c_str(),
                                 MeasureGetData, &acquisition)
        ->Unit(benchmark::kMicrosecond);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  dlclose(module);
  return 0;
}
