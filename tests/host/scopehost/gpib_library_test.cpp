// scopehost with the GPIB library chosen by --gpib: the linux-gpib bridge over the stand-in
// libgpib.so.0 (found through LD_LIBRARY_PATH, as linux-gpib's own is) gives exactly what the
// simulated library gives, scan lists the listeners, and without libgpib.so.0 every call
// fails with one line saying what to install.
#include <gtest/gtest.h>

#include <sstream>

#include "support/recording_runs.h"
#include "support/scopehost_runner.h"

namespace hosttest {
namespace {

const std::map<std::string, std::string> OverStandIn(const std::filesystem::path& bench) {
  return {{"LD_LIBRARY_PATH", LINUX_GPIB_STANDIN_DIR}, {"GPIBSIM_BENCH", bench.string()}};
}

TEST(LinuxGpibBridge, AcquiresWhatTheSimulatedLibraryGives) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  for (const char* device : {"hameg1", "hameg2", "tektronix", "philips"}) {
    const std::filesystem::path viaSim = scratch / (std::string(device) + "-sim.csv");
    const std::filesystem::path viaBridge = scratch / (std::string(device) + "-bridge.csv");
    const RunResult sim = RunScopehost({"acquire", device, "--csv", viaSim, "--sim", bench});
    ASSERT_EQ(sim.status, 0) << device << ": " << sim.err;
    const RunResult bridge = RunScopehost(
        {"acquire", device, "--csv", viaBridge, "--gpib", "linux-gpib"}, OverStandIn(bench));
    ASSERT_EQ(bridge.status, 0) << device << ": " << bridge.err;
    const std::string rows = CsvDataRows(viaSim);
    EXPECT_GT(rows.size(), 1000u) << device;
    EXPECT_TRUE(rows == CsvDataRows(viaBridge)) << device << ": the data rows differ";
  }
}

TEST(Scan, ListsEachListenerWithItsIdentification) {
  const ScratchDirectory scratch;
  const std::filesystem::path bench = UnpacedDefaultBench(scratch.path());
  const std::string defaultBench =
      "  1  HAMEG,HM408,0,2.11\n"
      "  2  HAMEG,HM408,0,2.11\n"
      "  5  TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3\n"
      "  8  PHILIPS,PM3323,0,V3.2\n"
      " 12  FLUKE,45,0,1.6 D1.0\n";
  const struct {
    const char* label;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> environment;
    std::string listeners;
  } cases[] = {
      {"simulated", {"scan", "--sim", bench}, {}, defaultBench},
      {"linux-gpib", {"scan", "--gpib", "linux-gpib"}, OverStandIn(bench), defaultBench},
      {"by path",
       {"scan", "--gpib", GPIBSIM_LIBRARY_PATH},
       {{"GPIBSIM_BENCH", bench}},
       defaultBench},
      // The HM408 here has no identification to give, and the mute device never answers.
      {"silent listener",
       {"scan", "--sim", EXAMPLE_BENCHES "/silent-listener.toml"},
       {},
       "  1  (no answer to *IDN?)\n"
       "  3  (no answer to *IDN?)\n"
       "  7  TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3\n"},
      // Nothing answers at 9 alone: its secondary addresses 0 and 2 do.
      {"secondary addresses",
       {"scan", "--sim", "secondary-address"},
       {},
       "  5  TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3\n"
       "  9/0  ACME,MF-1 VOLTMETER,0,1.0\n"
       "  9/2  ACME,MF-1 COUNTER,0,1.0\n"},
  };
  for (const auto& c : cases) {
    const RunResult run = RunScopehost(c.arguments, c.environment);
    EXPECT_EQ(run.status, 0) << c.label << ": " << run.err;
    EXPECT_EQ(run.out, c.listeners) << c.label;
  }
}

TEST(LinuxGpibBridge, WithoutLinuxGpibEveryCallFailsWithOneLineOnWhatToInstall) {
  const std::map<std::string, std::string> noLinuxGpib = {{"LD_LIBRARY_PATH", ""}};
  const struct {
    std::vector<std::string> arguments;
    const char* moduleOrHostLine;
  } cases[] = {
      {{"acquire", "hameg1", "--gpib", "linux-gpib"}, "scopehost: Cant open Hameg at DEV1 !\n"},
      {{"scan", "--gpib", "linux-gpib"}, "scopehost: SendIFC on board 0 failed (iberr 0)\n"},
  };
  for (const auto& c : cases) {
    const RunResult run = RunScopehost(c.arguments, noLinuxGpib);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(c.moduleOrHostLine), std::string::npos) << run.err;
    const std::string missing = "libgpib-32 (linux-gpib): cannot load libgpib.so.0";
    const size_t first = run.err.find(missing);
    EXPECT_NE(first, std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(missing, first + 1), std::string::npos) << "told more than once";
    EXPECT_NE(run.err.find("install linux-gpib"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace hosttest
