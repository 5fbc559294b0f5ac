// A TDS540 acquisition of four channels of 20000 points through a bridge from an emulator
// paced at a given rate, as a benchmark: libgpibscope.so's GetData, loaded as a host loads it
// after the bridge. The figure that matters is achieved_fraction, the curve bytes moved per
// second of real time as a share of the pace; the protocol's own bytes and the short replies
// are paced too, but not counted.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_pairs.h"
#include "loading/module_loader.h"
#include "tds540_host.h"

namespace bench {

// Per channel: "#540000", the points of two bytes, the line feed.
constexpr double kTds540CurveBytes =
    Tds540Host::kChannels * (7.0 + 2.0 * Tds540Host::kPoints + 1.0);

inline void RegisterPacedTds540(const std::string& name, GetDataFn getData, double pace) {
  benchmark::RegisterBenchmark(
      name.c_str(),
      [getData, pace](benchmark::State& state) {
        Tds540Host host;
        for (auto _ : state) {
          if (!host.Acquire(getData)) {
            state.SkipWithError("GetData did not deliver four channels of 20000 points");
            return;
          }
        }
        state.counters["curve_bytes"] = kTds540CurveBytes;
        // Curve bytes per second of real time over the pace: per call, times calls, over seconds.
        state.counters["achieved_fraction"] = benchmark::Counter(
            kTds540CurveBytes / pace, benchmark::Counter::kIsIterationInvariantRate);
        state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kTds540CurveBytes));
      })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(2.0);
}

// A bridge's gpib.toml with text, in the temporary folder for as long as it lives, named to
// the bridge by GPIB32_CONFIG.
class BridgeConfigFile {
 public:
  explicit BridgeConfigFile(const std::string& text)
      : path_(std::filesystem::temp_directory_path() /
              ("paced-bridge-" + std::to_string(getpid()) + ".toml")) {
    std::ofstream(path_) << text;
    setenv("GPIB32_CONFIG", path_.c_str(), 1);
  }
  ~BridgeConfigFile() { std::filesystem::remove(path_); }
  BridgeConfigFile(const BridgeConfigFile&) = delete;
  BridgeConfigFile& operator=(const BridgeConfigFile&) = delete;

 private:
  std::filesystem::path path_;
};

// Loads the bridge, then the module, registers the paced acquisition under name and runs the
// benchmarks; 1 after a line when either does not load.
inline int RunPacedTds540ThroughBridge(int argc, char** argv, const char* bridgePath,
                                       const char* modulePath, const std::string& name,
                                       double pace) {
  // The bridge first, under its soname, so that the module's binding finds it.
  try {
    const scopehost::SharedLibrary bridge(bridgePath);
    const scopehost::DriverModule module(modulePath);
    RegisterPacedTds540(name, module.GetData, pace);
    return RunRegistered(argc, argv);
  } catch (const scopehost::LoadError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}

}  // namespace bench
