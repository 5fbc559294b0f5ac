// A TDS540 acquisition of four channels of 20000 points through the Prologix bridge, from
// the emulated controller on 127.0.0.1 paced at 1 MB/s (paced_tds540.h); the version lines
// ending each step are paced too.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_pairs.h"
#include "gpibscope/host.h"
#include "loading/module_loader.h"
#include "paced_tds540.h"
#include "support/emulator_process.h"

namespace {

constexpr double kPace = 1e6;  // bytes a second

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path) << text;
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
      bench::RegisterPacedTds540("getdata_type2_tds540_over_prologix/1MBps", module.GetData, kPace);
      status = bench::RunRegistered(argc, argv);
    } catch (const scopehost::LoadError& error) {
      std::fprintf(stderr, "%s\n", error.what());
    }
  }
  std::filesystem::remove_all(scratch);
  return status;
}
