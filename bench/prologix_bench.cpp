// A TDS540 acquisition of four channels of 20000 points through the Prologix bridge, from
// the emulated controller on 127.0.0.1 paced at 1 MB/s (paced_tds540.h); the version lines
// ending each step are paced too.
#include <string>

#include "paced_tds540.h"
#include "support/emulator_process.h"

int main(int argc, char** argv) {
  constexpr double kPace = 1e6;  // bytes a second
  const prologix_test::EmulatorProcess emulator(
      {"--bench", GPIBSCOPE_SOURCE_DIR "/tests/benches/tds540-full-record.toml", "--rate",
       std::to_string(kPace), "--lifetime", "3600"});
  const bench::BridgeConfigFile config("[controller]\nport = \"" + emulator.Port() + "\"\n");
  return bench::RunPacedTds540ThroughBridge(argc, argv, PROLOGIX_BRIDGE_PATH, GPIBSCOPE_MODULE_PATH,
                                            "getdata_type2_tds540_over_prologix/1MBps", kPace);
}
