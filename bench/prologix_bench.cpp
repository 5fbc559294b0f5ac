// A TDS540 acquisition of four channels of 20000 points through the Prologix bridge, from
// the emulated controller on 127.0.0.1 paced at 1 MB/s: libgpibscope.so's GetData, loaded as
// a host loads it after the bridge. The figure that matters is achieved_fraction, the curve
// bytes moved per second of real time as a share of the controller's pace; the version lines
// ending each step and the short replies are paced too, but not counted.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gpibscope/host.h"
#include "loading/module_loader.h"
#include "support/emulator_process.h"

namespace {

constexpr double kPace = 1e6;  // bytes a second
constexpr int kChannels = 4;
constexpr int kPoints = 20000;
// Per channel: "#540000", the points of two bytes, the line feed.
constexpr double kCurveBytes = kChannels * (7.0 + 2.0 * kPoints + 1.0);

LRESULT IgnoreProgress(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}
int PrintMessage(void*, const CString*) {
  return 0;
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

GetDataFn getData = nullptr;

void MeasureTds540OverPrologix(benchmark::State& state) {
  std::vector<std::vector<double>> arrays(kChannels + 1, std::vector<double>(kPoints));
  WaveformBuffers buffers{};
  for (size_t i = 0; i < arrays.size(); ++i) buffers.arrays[i] = arrays[i].data();
  HWND__ hwnd{};
  hwnd.windowProc = &IgnoreProgress;
  CWnd window{};
  window.m_hWnd = &hwnd;
  for (auto _ : state) {
    int32_t points = 0;
    int16_t channels = kChannels + 1;
    if (getData(2, &buffers, &points, &channels, &window, &PrintMessage) != 1 ||
        points != kPoints) {
      state.SkipWithError("GetData did not deliver four channels of 20000 points");
      return;
    }
  }
  state.counters["curve_bytes"] = kCurveBytes;
  // Curve bytes per second of real time over the pace: per call, times calls, over seconds.
  state.counters["achieved_fraction"] =
      benchmark::Counter(kCurveBytes / kPace, benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kCurveBytes));
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("prologix-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(scratch);
  int status = 1;
  {
    const prologix_test::EmulatorProcess emulator(
        {"--bench", GPIBSCOPE_SOURCE_DIR "/tests/benches/tds540-full-record.toml", "--rate",
         std::to_string(kPace), "--lifetime", "3600"});
    WriteFile(scratch / "gpib.toml", "[controller]\nport = \"" + emulator.Port() + "\"\n");
    setenv("GPIB32_CONFIG", (scratch / "gpib.toml").c_str(), 1);
    // The bridge first, under its soname, so that the module's binding finds it.
    try {
      const scopehost::SharedLibrary bridge(PROLOGIX_BRIDGE_PATH);
      const scopehost::DriverModule module(GPIBSCOPE_MODULE_PATH);
      getData = module.GetData;
      benchmark::RegisterBenchmark("getdata_type2_tds540_over_prologix/1MBps",
                                   MeasureTds540OverPrologix)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(2.0);
      benchmark::Initialize(&argc, argv);
      if (!benchmark::ReportUnrecognizedArguments(argc, argv)) {
        benchmark::RunSpecifiedBenchmarks();
        status = 0;
      }
      benchmark::Shutdown();
    } catch (const scopehost::LoadError& error) {
      std::fprintf(stderr, "%s\n", error.what());
    }
  }
  std::filesystem::remove_all(scratch);
  return status;
}
