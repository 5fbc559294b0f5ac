// What recording costs. A TDS540 acquisition of four channels of 20000 points through
// libgpibscope.so on the simulated bus paced at 1 MB/s, loaded as a host loads it, made
// alternately straight on the simulated library and through the recorder in front of it
// (loaded with the module into a namespace of their own, so that the module there binds the
// recorder): recorded_over_unrecorded is the wall time of the recorded acquisitions over the
// unrecorded ones. And the recorder's own work on one 40000-byte read, put into its line and
// written out: CPU time per recorded byte.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "capture.h"
#include "gpibscope/host.h"
#include "loading/module_loader.h"
#include "tds540_host.h"
#include "writer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kPace = 1e6;  // bytes a second

GetDataFn unrecorded = nullptr;
GetDataFn recorded = nullptr;

// One acquisition's wall time in seconds, or a negative number when it failed.
double Acquire(GetDataFn getData) {
  static bench::Tds540Host host;
  const Clock::time_point start = Clock::now();
  const bool delivered = host.Acquire(getData);
  return delivered ? std::chrono::duration<double>(Clock::now() - start).count() : -1.0;
}

void MeasureRecordedAgainstUnrecorded(benchmark::State& state) {
  double unrecordedSeconds = 0.0, recordedSeconds = 0.0;
  for (auto _ : state) {
    const double plain = Acquire(unrecorded);
    const double traced = Acquire(recorded);
    if (plain < 0 || traced < 0) {
      state.SkipWithError("GetData did not deliver four channels of 20000 points");
      return;
    }
    unrecordedSeconds += plain;
    recordedSeconds += traced;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["unrecorded_ms"] = 1e3 * unrecordedSeconds / n;
  state.counters["recorded_ms"] = 1e3 * recordedSeconds / n;
  state.counters["recorded_over_unrecorded"] = recordedSeconds / unrecordedSeconds;
}

// The recorder's work on one read: its bytes taken from the caller's buffer, the line made and
// written to a file (/dev/null: the disk's speed is not the recorder's).
void MeasureRecordingARead(benchmark::State& state) {
  const auto bytes = static_cast<int32_t>(state.range(0));
  std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 37);
  gpib_recording::RecordingFile file;
  if (!file.Open("/dev/null", gpib_recording::RecordingFile::Mode::kReplace)) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  gpib_recording::Call call = gpib_recording::Request("ibrd", {1, bytes});
  call.ibsta = call.result = 0x2100;
  call.ibcntl = bytes;
  const gpib_recording::Outputs outputs{.buffer = buffer.data(), .capacity = bytes};
  for (auto _ : state) {
    call.read = gpib_recording::CapturedRead(call, outputs);
    file.Write(call);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["cpu_ns_per_byte"] = benchmark::Counter(
      static_cast<double>(bytes) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The acquisition's bench paced at kPace, written into scratch.
std::string PacedBench(const std::filesystem::path& scratch) {
  std::ifstream source(GPIBSCOPE_SOURCE_DIR "/tests/benches/tds540-full-record.toml");
  std::ostringstream text;
  text << "transfer_rate = " << kPace << "\n" << source.rdbuf();
  const std::filesystem::path bench = scratch / "tds540-paced.toml";
  std::ofstream(bench) << text.str();
  return bench.string();
}

// GetData of a second copy of the module, in a linker namespace of its own with the recorder
// loaded first, which loads its own simulated library: the module there binds the recorder.
// The namespace starts with the C library: the first object of a namespace is global there,
// and the recorder must no more be global than it is in a host. No host loads the module this
// way, so the host library's loader does not offer it.
GetDataFn RecordedGetData() {
  void* base = dlmopen(LM_ID_NEWLM, "libc.so.6", RTLD_NOW | RTLD_LOCAL);
  Lmid_t space = LM_ID_BASE;
  if (base == nullptr || dlinfo(base, RTLD_DI_LMID, &space) != 0) return nullptr;
  if (dlmopen(space, GPIB_RECORDER_PATH, RTLD_NOW | RTLD_LOCAL) == nullptr) return nullptr;
  void* module = dlmopen(space, GPIBSCOPE_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  return module ? reinterpret_cast<GetDataFn>(dlsym(module, "GetData")) : nullptr;
}

int RunBenchmarks(int argc, char** argv) {
  benchmark::RegisterBenchmark("getdata_type2_tds540_paced_1MBps/recorded_vs_unrecorded",
                               MeasureRecordedAgainstUnrecorded)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(4.0)
      ->Repetitions(3);
  benchmark::RegisterBenchmark("recorder_one_read", MeasureRecordingARead)->Arg(40000);
  return bench::RunRegistered(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("recorder-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(scratch);
  setenv("GPIBSIM_BENCH", PacedBench(scratch).c_str(), 1);
  setenv("GPIBSCOPE_TRACE", (scratch / "acquisition.rec").c_str(), 1);
  setenv("GPIBSCOPE_TRACE_GPIB", GPIBSIM_LIBRARY_PATH, 1);
  int status = 1;
  try {
    // The simulated library first, under its soname, so that the module's binding finds it.
    const scopehost::SharedLibrary simulated(GPIBSIM_LIBRARY_PATH);
    const scopehost::DriverModule module(GPIBSCOPE_MODULE_PATH);
    unrecorded = module.GetData;
    recorded = RecordedGetData();
    if (recorded == nullptr) {
      std::fprintf(stderr, "cannot load the recorder and the module beside it: %s\n", dlerror());
    } else {
      status = RunBenchmarks(argc, argv);
    }
  } catch (const scopehost::LoadError& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  std::filesystem::remove_all(scratch);
  return status;
}
