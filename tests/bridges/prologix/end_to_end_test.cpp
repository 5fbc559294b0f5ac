// scopehost with --gpib prologix against the emulated controller on 127.0.0.1: the same data
// rows and bus listing as the simulated library gives, each controller fault ending in time
// with the module's message and the bridge's line, and a malformed file told once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>

#include "reader.h"
#include "support/emulator_process.h"
#include "support/recording_runs.h"
#include "support/scopehost_runner.h"

namespace {

using hosttest::RunResult;
using hosttest::RunScopehost;
using hosttest::ScratchDirectory;
using prologix_test::EmulatorProcess;

std::string BenchFile(const char* name) {
  return std::string(PROLOGIX_TEST_DIR) + "/" + name;
}

// The configuration naming the controller at port.
std::map<std::string, std::string> ConfigFor(const ScratchDirectory& scratch,
                                             const std::string& port) {
  const auto path =
      hosttest::WriteBench(scratch.path(), "gpib.toml", "[controller]\nport = \"" + port + "\"\n");
  return {{"GPIB32_CONFIG", path.string()}};
}

TEST(OverTheEmulatedController, EveryDeviceTypeGivesTheSimulatedLibrarysRows) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = hosttest::UnpacedDefaultBench(scratch.path());
  const struct {
    const char* device;
    std::string bench;
  } cases[] = {{"hameg1", bench},
               {"hameg2", bench},
               {"tektronix", bench},
               {"philips", bench},
               {"hameg1", BenchFile("ramp.toml")}};  // every byte value
  const std::filesystem::path log = scratch / "controller.log";
  for (const auto& c : cases) {
    const EmulatorProcess emulator({"--bench", c.bench, "--log", log, "--lifetime", "60"});
    const std::filesystem::path viaSim = scratch / "sim.csv";
    const std::filesystem::path viaBridge = scratch / "bridge.csv";
    const RunResult sim = RunScopehost({"acquire", c.device, "--csv", viaSim, "--sim", c.bench});
    ASSERT_EQ(sim.status, 0) << c.device << ": " << sim.err;
    const RunResult bridge =
        RunScopehost({"acquire", c.device, "--csv", viaBridge, "--gpib", "prologix"},
                     ConfigFor(scratch, emulator.Port()));
    ASSERT_EQ(bridge.status, 0) << c.device << ": " << bridge.err;
    EXPECT_GT(hosttest::CsvDataRows(viaSim).size(), 1000u);
    EXPECT_TRUE(hosttest::CsvDataRows(viaSim) == hosttest::CsvDataRows(viaBridge))
        << c.device << ": the data rows differ";
  }
  EXPECT_EQ(hosttest::ReadText(log).find("EEPROM write"), std::string::npos)
      << hosttest::ReadText(log);
  const EmulatorProcess emulator({"--bench", bench, "--lifetime", "60"});
  const RunResult scan =
      RunScopehost({"scan", "--gpib", "prologix"}, ConfigFor(scratch, emulator.Port()));
  EXPECT_EQ(scan.status, 0) << scan.err;
  EXPECT_EQ(scan.out, RunScopehost({"scan", "--sim", bench}).out);
}

// An AR488 lists the secondary addresses of a primary one where nothing listens; each of those
// instruments is then addressed as "++addr PAD SAD".
TEST(OverTheEmulatedController, AnAr488ScanFindsTheInstrumentsAtSecondaryAddresses) {
  const ScratchDirectory scratch;
  const std::string bench =
      std::string(GPIBSCOPE_SOURCE_DIR) + "/examples/benches/secondary-address.toml";
  const EmulatorProcess emulator({"--bench", bench, "--flavour", "ar488", "--lifetime", "60"});
  const RunResult scan =
      RunScopehost({"scan", "--gpib", "prologix"}, ConfigFor(scratch, emulator.Port()));
  EXPECT_EQ(scan.status, 0) << scan.err;
  EXPECT_EQ(scan.out, RunScopehost({"scan", "--sim", bench}).out);
  EXPECT_NE(scan.out.find("  9/2  ACME,MF-1 COUNTER"), std::string::npos) << scan.out;
}

// A transfer that holds each of the 256 byte values.
bool HoldsEveryByteValue(const gpib_recording::Call& call) {
  std::array<bool, 256> seen{};
  for (const uint8_t byte : call.read) seen[byte] = true;
  return std::all_of(seen.begin(), seen.end(), [](bool s) { return s; });
}

TEST(OverTheEmulatedController, RecordedAcquisitionsReplayWithoutTheController) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  const std::string ramp = BenchFile("ramp.toml");
  const std::filesystem::path recording = scratch / "prologix.rec";
  for (const auto& [device, deviceBench] : {std::pair{"hameg1", bench},
                                            {"hameg2", bench},
                                            {"tektronix", bench},
                                            {"philips", bench},
                                            {"hameg1", ramp}}) {
    hosttest::RecordedAndReplayed run;
    {
      const EmulatorProcess emulator({"--bench", deviceBench, "--lifetime", "60"});
      run = hosttest::RecordThenReplay(scratch, device, {"--gpib", "prologix"},
                                       ConfigFor(scratch, emulator.Port()), recording);
    }
    EXPECT_EQ(hosttest::ReplayFault(run), "") << device;
  }
  // The ramp's samples crossed file and replay complete.
  const std::vector<gpib_recording::Call> calls = gpib_recording::ReadRecording(recording);
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), HoldsEveryByteValue));
}

// One TDS540 and 29 empty addresses, each costing a Prologix its whole read time-out.
TEST(OverTheEmulatedController, TheTektronixIsFoundByAScanOfSecondsAndNothingIsSaved) {
  const ScratchDirectory scratch;
  const std::filesystem::path log = scratch / "controller.log";
  const std::string bench = std::string(GPIBSCOPE_SOURCE_DIR) + "/examples/benches/tds540.toml";
  const EmulatorProcess emulator({"--bench", bench, "--log", log, "--lifetime", "60"});
  const auto config = ConfigFor(scratch, emulator.Port());
  const auto start = std::chrono::steady_clock::now();
  const RunResult scan = RunScopehost({"scan", "--gpib", "prologix"}, config);
  EXPECT_LE(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(scan.status, 0) << scan.err;
  EXPECT_EQ(scan.out, RunScopehost({"scan", "--sim", bench}).out);
  const RunResult acquire = RunScopehost(
      {"acquire", "tektronix", "--csv", scratch / "tds540.csv", "--gpib", "prologix"}, config);
  EXPECT_EQ(acquire.status, 0) << acquire.err;
  EXPECT_EQ(hosttest::ReadText(log).find("EEPROM write"), std::string::npos)
      << hosttest::ReadText(log);
}

TEST(OverTheEmulatedController, EachFaultEndsInTimeWithTheModulesMessageAndTheBridgesLine) {
  const ScratchDirectory scratch;
  const struct {
    const char* device;
    const char* fault;  // none: no controller at all
    const char* moduleLine;
    const char* bridgeLine;
  } cases[] = {
      {"hameg1", "drop:3000", "scopehost: No Answer\n", "reading: the controller closed the"},
      {"hameg1", "stall:3000", "scopehost: No Answer\n", "reading: the controller stalled"},
      {"tektronix", "garbage:0", "scopehost: Send IFC !\n", "answered garbage, not its version"},
      {"tektronix", "drop:300", "scopehost: Can not find listeners !\n",
       "finding listeners: the controller closed the connection"},
      {"tektronix", nullptr, "scopehost: Send IFC !\n", "cannot reach the controller"},
  };
  for (const auto& c : cases) {
    std::optional<EmulatorProcess> emulator;
    if (c.fault) emulator.emplace(std::vector<std::string>{"--fault", c.fault, "--lifetime", "60"});
    const auto start = std::chrono::steady_clock::now();
    const RunResult run =
        RunScopehost({"acquire", c.device, "--csv", scratch / "out.csv", "--gpib", "prologix"},
                     ConfigFor(scratch, emulator ? emulator->Port() : "tcp://127.0.0.1:1"));
    const auto took = std::chrono::steady_clock::now() - start;
    const std::string label = std::string(c.device) + " " + (c.fault ? c.fault : "unreachable");
    EXPECT_EQ(run.status, 1) << label << ": " << run.err;
    EXPECT_NE(run.err.find(c.moduleLine), std::string::npos) << label << ": " << run.err;
    EXPECT_NE(run.err.find(c.bridgeLine), std::string::npos) << label << ": " << run.err;
    EXPECT_LT(took, std::chrono::seconds(6)) << label;
  }
}

TEST(OverTheEmulatedController, AMalformedConfigurationIsToldOnceWithItsLine) {
  const ScratchDirectory scratch;
  const auto path = hosttest::WriteBench(scratch.path(), "gpib.toml",
                                         "[controller]\nport = \"tcp://127.0.0.1:1\"\n"
                                         "[devices]\nDEV1 = \"eight\"\n");
  const RunResult run =
      RunScopehost({"acquire", "hameg1", "--gpib", "prologix"}, {{"GPIB32_CONFIG", path.string()}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("scopehost: Cant open Hameg at DEV1 !"), std::string::npos) << run.err;
  const std::string told = path.string() + ":4: DEV1 must be a primary address";
  const size_t first = run.err.find(told);
  EXPECT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(told, first + 1), std::string::npos) << "told more than once";
}

}  // namespace
