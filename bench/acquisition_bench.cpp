// Whole GetData calls on the simulated bus, each beside a memcpy of the bytes its reads moved
// and of the bytes it delivered into the host's arrays. Unpaced, bytes move instantly and the
// module's own work is all there is to see; paced at 1 MB/s, as a real bus moves them, the
// figure is the wall time of a call over the bus time of the bytes it moved both ways.
// Device type 2 goes through libgpibscope.so loaded as a host loads it: the scan and the
// TDS540 read involve no settle wait. Types 0 and 3 open a configured device, which waits up
// to a second for the calendar clock's next second; they are measured with the module's code
// linked in and that clock replaced by one that steps a second per reading, as the unit suites
// do.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "gpib/instrument_access.h"
#include "gpibsim/gpibsim.h"
#include "loading/module_loader.h"
#include "support/module_harness.h"

namespace {

// Bytes per second of the paced bench.
constexpr double kPacedRate = 1e6;

// Loads the bench file with the bus moving `rate` bytes per second (0: instantly).
bool LoadBench(const char* name, double rate) {
  if (gpibsim_load_bench_file(testing_support::TestBench(name).c_str()) != 0) return false;
  gpibsim_set_transfer_rate(rate);
  return true;
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

// The bytes that one call's reads moved, or (allTransfers) its writes and reads together,
// from the simulated library's transcript.
size_t BytesMoved(bool allTransfers) {
  size_t total = 0;
  for (int32_t i = 0; i < gpibsim_call_count(); ++i) {
    gpibsim_call call{};
    gpibsim_get_call(i, &call);
    const std::string function = call.function;
    const bool read = function == "ibrd" || function == "Receive";
    const bool written = function == "ibwrt" || function == "Send";
    if (read || (allTransfers && written)) total += static_cast<size_t>(call.dataTotal);
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

// The host's array bytes one call delivers: the channels and a time axis as long as each.
size_t BytesDelivered(const Acquisition& acquisition) {
  const size_t channels = static_cast<size_t>(acquisition.channels) - 1;
  return (acquisition.samples + acquisition.samples / channels) * sizeof(double);
}

// Loads the bench at `rate` and makes the first call; false (and the benchmark skipped) when
// it does not deliver.
bool FirstCall(benchmark::State& state, const Acquisition& acquisition, double rate,
               HostSide& host) {
  if (!LoadBench(acquisition.bench, rate)) {
    state.SkipWithError(gpibsim_last_error());
    return false;
  }
  gpibsim_clear_transcript();
  if (!host.Call()) {
    state.SkipWithError("GetData did not deliver");
    return false;
  }
  return true;
}

void MeasureGetData(benchmark::State& state, const Acquisition* acquisition, double rate) {
  HostSide host(*acquisition);
  if (!FirstCall(state, *acquisition, rate, host)) return;
  const size_t read = BytesMoved(false);
  const size_t moved = BytesMoved(true);
  for (auto _ : state) {
    gpibsim_clear_transcript();  // the library keeps every call; a long run would fill it
    if (!host.Call()) {
      state.SkipWithError("GetData did not deliver");
      return;
    }
  }
  state.SetLabel(acquisition->how);
  bench::CountWork(state, acquisition->samples, read, BytesDelivered(*acquisition));
  if (rate > 0.0) state.counters["bus_seconds"] = static_cast<double>(moved) / rate;
}

// The transcript's read bytes of one delivering call, for the memcpy reference.
size_t BytesReadByOneCall(const Acquisition& acquisition) {
  if (!LoadBench(acquisition.bench, 0.0)) return 0;
  HostSide host(acquisition);
  gpibsim_clear_transcript();
  return host.Call() ? BytesMoved(false) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The shared module, loaded as a host loads it; it finds the simulated library this
  // program already holds.
  std::optional<scopehost::DriverModule> module;
  try {
    module.emplace(GPIBSCOPE_MODULE_PATH);
  } catch (const scopehost::LoadError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  const GetDataFn sharedGetData = module->GetData;
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
    const size_t bytes = BytesReadByOneCall(acquisition);
    if (bytes == 0) {
      std::fprintf(stderr, "%s: GetData does not deliver on its bench\n", acquisition.label);
      return 1;
    }
    bench::RegisterMemcpys(bytes, BytesDelivered(acquisition));
    const std::string label = acquisition.label;
    benchmark::RegisterBenchmark((label + "/getdata").c_str(), MeasureGetData, &acquisition, 0.0)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((label + "/getdata_paced_1MBps").c_str(), MeasureGetData,
                                 &acquisition, kPacedRate)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
