// scopehost with --gpib vxi11 against the gateway emulator on 127.0.0.1: the same data rows
// and bus listing as the simulated library gives, with and without device_docmd, recordings
// that replay, a stalled gateway ending in time, and a malformed file told once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "support/emulator_process.h"
#include "support/recording_runs.h"
#include "support/scopehost_runner.h"

namespace {

using hosttest::RunResult;
using hosttest::RunScopehost;
using hosttest::ScratchDirectory;
using prologix_test::EmulatorProcess;

constexpr const char* kDevices[] = {"hameg1", "hameg2", "tektronix", "philips"};

// The emulator serving bench, and the configuration naming it.
struct Gateway {
  Gateway(const ScratchDirectory& scratch, const std::string& bench,
          std::vector<std::string> options = {}, const std::string& moreSettings = "")
      : process(GPIB_GATEWAY_EMULATOR, [&] {
          options.insert(options.end(), {"--bench", bench, "--lifetime", "60"});
          return options;
        }()) {
    unsigned portmapper = 0;
    std::sscanf(process.Port().c_str(), "portmapper 127.0.0.1:%u", &portmapper);
    const auto path = hosttest::WriteBench(scratch.path(), "gpib.toml",
                                           "[gateway]\nhost = \"127.0.0.1\"\nportmapper_port = " +
                                               std::to_string(portmapper) + "\n" + moreSettings);
    environment = {{"GPIB32_CONFIG", path.string()}};
  }
  EmulatorProcess process;
  std::map<std::string, std::string> environment;
};

TEST(OverTheGatewayEmulator, EveryDeviceTypeGivesTheSimulatedLibrarysRows) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  // One gateway for all: each host's first message drops what an earlier one left unread.
  const Gateway gateway(scratch, bench, {"--max-recv-size", "1024"});
  for (const char* device : kDevices) {
    const std::filesystem::path viaSim = scratch / "sim.csv";
    const std::filesystem::path viaBridge = scratch / "bridge.csv";
    const RunResult sim = RunScopehost({"acquire", device, "--csv", viaSim, "--sim", bench});
    ASSERT_EQ(sim.status, 0) << device << ": " << sim.err;
    const RunResult bridge = RunScopehost(
        {"acquire", device, "--csv", viaBridge, "--gpib", "vxi11"}, gateway.environment);
    ASSERT_EQ(bridge.status, 0) << device << ": " << bridge.err;
    EXPECT_GT(hosttest::CsvDataRows(viaSim).size(), 1000u);
    EXPECT_TRUE(hosttest::CsvDataRows(viaSim) == hosttest::CsvDataRows(viaBridge))
        << device << ": the data rows differ";
  }
}

// With device_docmd, and asked to, the scan also finds instruments at the secondary addresses
// of a silent primary address; without device_docmd, the primary listeners only.
TEST(OverTheGatewayEmulator, TheScanGivesTheSimulatedLibrarysListing) {
  const ScratchDirectory scratch;
  const std::string defaultBench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  const std::string secondaryBench =
      std::string(GPIBSCOPE_SOURCE_DIR) + "/examples/benches/secondary-address.toml";
  const struct {
    const std::string& bench;
    std::vector<std::string> options;
    std::string settings;
  } cases[] = {{defaultBench, {}, ""},
               {defaultBench, {"--no-docmd"}, ""},
               {secondaryBench, {}, "scan_secondary = true\n"}};
  for (const auto& c : cases) {
    const Gateway gateway(scratch, c.bench, c.options, c.settings);
    const RunResult scan = RunScopehost({"scan", "--gpib", "vxi11"}, gateway.environment);
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out, RunScopehost({"scan", "--sim", c.bench}).out)
        << c.bench << (c.options.empty() ? "" : " --no-docmd");
  }
}

TEST(OverTheGatewayEmulator, RecordedAcquisitionsReplayWithoutTheGateway) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  const std::filesystem::path recording = scratch / "vxi11.rec";
  const Gateway gateway(scratch, bench);
  for (const char* device : {"tektronix", "philips"}) {
    const hosttest::RecordedAndReplayed run = hosttest::RecordThenReplay(
        scratch, device, {"--gpib", "vxi11"}, gateway.environment, recording);
    EXPECT_EQ(hosttest::ReplayFault(run), "") << device;
  }
}

TEST(OverTheGatewayEmulator, AStalledGatewayEndsTheAcquisitionInTimeWithTheModulesMessage) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  const Gateway gateway(scratch, bench, {"--fault", "stall:3"});
  const auto start = std::chrono::steady_clock::now();
  const RunResult run = RunScopehost(
      {"acquire", "hameg1", "--csv", scratch / "out.csv", "--gpib", "vxi11"}, gateway.environment);
  // The Hameg's time-out is 10 s; the module gives up after one failed call.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(13));
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("libgpib-32 (vxi11): 127.0.0.1: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("no reply from the gateway in time"), std::string::npos) << run.err;
}

TEST(OverTheGatewayEmulator, AMalformedConfigurationIsToldOnceWithItsLine) {
  const ScratchDirectory scratch;
  const auto path =
      hosttest::WriteBench(scratch.path(), "gpib.toml",
                           "[gateway]\nhost = \"127.0.0.1\"\n"
                           "[devices]\nDEV1 = \"TCPIP0::elsewhere::gpib0,1::INSTR\"\n");
  const RunResult run =
      RunScopehost({"acquire", "hameg1", "--gpib", "vxi11"}, {{"GPIB32_CONFIG", path.string()}});
  EXPECT_EQ(run.status, 1);
  const std::string told = path.string() + ":4: DEV1: ";
  const size_t first = run.err.find(told);
  EXPECT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(told, first + 1), std::string::npos) << "told more than once";
}

}  // namespace
