// A TDS540 acquisition of four channels of 20000 points through the VXI-11 bridge, from the
// gateway emulator on 127.0.0.1 paced at 1 MB/s (paced_tds540.h), its links taking writes of
// 1024 bytes at the most; the RPC headers are paced too.
#include <cstdio>
#include <string>

#include "paced_tds540.h"
#include "support/emulator_process.h"

int main(int argc, char** argv) {
  constexpr double kPace = 1e6;  // bytes a second
  const prologix_test::EmulatorProcess gateway(
      GPIB_GATEWAY_EMULATOR,
      {"--bench", GPIBSCOPE_SOURCE_DIR "/tests/benches/tds540-full-record.toml", "--rate",
       std::to_string(kPace), "--max-recv-size", "1024", "--lifetime", "3600"});
  unsigned portmapper = 0;
  std::sscanf(gateway.Port().c_str(), "portmapper 127.0.0.1:%u", &portmapper);
  const bench::BridgeConfigFile config(
      "[gateway]\nhost = \"127.0.0.1\"\nportmapper_port = " + std::to_string(portmapper) + "\n");
  return bench::RunPacedTds540ThroughBridge(argc, argv, VXI11_BRIDGE_PATH, GPIBSCOPE_MODULE_PATH,
                                            "getdata_type2_tds540_over_vxi11/1MBps", kPace);
}
