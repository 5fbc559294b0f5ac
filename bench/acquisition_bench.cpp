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

bool LoadBench(const char* name) {
  return gpibsim_load_bench_file(testing_support::TestBench(name).c_str()) == 0;
}

LRESULT IgnoreProgress(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
int IgnoreMessage(void*, const CString*) {
  return 0;
}

struct Acquisition {
  const char* label;
  const char* bench;  // a file of tests/benches/
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
  if (!LoadBench(acquisition->bench)) {
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
  if (!LoadBench(acquisition.bench)) return 0;
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
      // Four channels of 20000 points: the most the host's arrays hold for this device type.
      {"getdata_type2_tds540", "tds540-full-record.toml", 2, 20000, 5, 4 * 20000, sharedGetData,
       kShared},
      // Both channels on: 2048 points each (the PM3323 with a full memory of 4096 words).
      {"getdata_type0_hm408", "every-device.toml", 0, 4096, 3, 2 * 2048, &GetData, kLinked},
      {"getdata_type3_pm3323", "every-device.toml", 3, 2048, 3, 2 * 2048, &GetData, kLinked},
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
