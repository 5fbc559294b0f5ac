// A TDS540 acquisition of four channels of 20000 points through the Prologix bridge, from
// the emulated controller on 127.0.0.1 paced at 1 MB/s (paced_tds540.h); the version lines
// ending each step are paced too.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gpibscope/host.h"
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
    status =
        bench::RunPacedTds540ThroughBridge(argc, argv, PROLOGIX_BRIDGE_PATH, GPIBSCOPE_MODULE_PATH,
                                           "getdata_type2_tds540_over_prologix/1MBps", kPace);
  }
  std::filesystem::remove_all(scratch);
  return status;
}
