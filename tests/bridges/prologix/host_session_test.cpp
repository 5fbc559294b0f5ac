// Hosts that live on through many acquisitions over the Prologix bridge, on the default bench
// unpaced in one emulated controller whose instruments keep their state from one connection
// to the next, as a bench does: the module loaded once in this process, and scopehost run one
// acquisition at a time. Each acquisition gives what the same device gives first in a fresh
// process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "support/emulator_process.h"
#include "support/loaded_module.h"
#include "support/recording_runs.h"
#include "support/scopehost_runner.h"
#include "support/session.h"

namespace {

using hosttest::RunScopehost;
using hosttest::ScratchDirectory;
using prologix_test::EmulatorProcess;
using testing_support::Delivery;

// The configuration naming the controller at port, for scopehost and for this process.
std::string ConfigFile(const ScratchDirectory& scratch, const std::string& port) {
  return hosttest::WriteBench(scratch.path(), "gpib-" + std::to_string(getpid()) + ".toml",
                              "[controller]\nport = \"" + port + "\"\n")
      .string();
}

// The bridge as this process's GPIB library, its controller the emulator at port.
Delivery AcquireOverTheBridge(const std::string& config, const std::vector<int32_t>& types,
                              std::vector<Delivery>* sequence = nullptr) {
  setenv("GPIB32_CONFIG", config.c_str(), 1);
  void* bridge = dlopen(PROLOGIX_BRIDGE_PATH, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(bridge, nullptr) << dlerror();
  const testing_support::LoadedModule module;
  EXPECT_TRUE(module.loaded()) << module.error();
  Delivery last;
  for (const int32_t type : types) {
    last = testing_support::Acquire(module.GetTransProperties, module.GetData, type);
    if (sequence != nullptr) sequence->push_back(last);
  }
  return last;
}

TEST(PrologixSession, TheModuleLoadedOnceDeliversAsAFreshProcess) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  std::array<Delivery, 4> fresh;
  for (int32_t type = 0; type < 4; ++type) {
    fresh[static_cast<size_t>(type)] = testing_support::InChildProcess([&] {
      const EmulatorProcess emulator({"--bench", bench, "--lifetime", "60"});
      return AcquireOverTheBridge(ConfigFile(scratch, emulator.Port()), {type});
    });
    ASSERT_EQ(fresh[static_cast<size_t>(type)].result, 1) << "type " << type;
  }
  const EmulatorProcess emulator({"--bench", bench, "--lifetime", "60"});
  const std::vector<int32_t> types = {2, 3, 0, 2, 1, 3, 2};
  std::vector<Delivery> deliveries;
  AcquireOverTheBridge(ConfigFile(scratch, emulator.Port()), types, &deliveries);
  for (size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(testing_support::Difference(fresh[static_cast<size_t>(types[i])], deliveries[i]), "")
        << "acquisition " << i << ": type " << types[i];
  }
}

TEST(PrologixSession, ScopehostRunsOneAfterAnotherAgainstOneControllerGiveTheFirstRunsRows) {
  const ScratchDirectory scratch;
  const std::string bench = hosttest::UnpacedDefaultBench(scratch.path()).string();
  const std::vector<std::string> devices = {"tektronix", "philips", "hameg1", "tektronix",
                                            "hameg2",    "philips", "hameg1"};
  std::map<std::string, std::string> fresh;
  for (const std::string& device : devices) {
    if (fresh.count(device) != 0) continue;
    const auto csv = scratch / (device + "-sim.csv");
    ASSERT_EQ(RunScopehost({"acquire", device, "--csv", csv, "--sim", bench}).status, 0);
    fresh[device] = hosttest::CsvDataRows(csv);
  }
  const EmulatorProcess emulator({"--bench", bench, "--lifetime", "120"});
  const std::map<std::string, std::string> environment = {
      {"GPIB32_CONFIG", ConfigFile(scratch, emulator.Port())}};
  for (size_t i = 0; i < devices.size(); ++i) {
    const auto csv = scratch / "bridge.csv";
    const auto run =
        RunScopehost({"acquire", devices[i], "--csv", csv, "--gpib", "prologix"}, environment);
    ASSERT_EQ(run.status, 0) << "run " << i << ", " << devices[i] << ": " << run.err;
    EXPECT_TRUE(hosttest::CsvDataRows(csv) == fresh[devices[i]])
        << "run " << i << ", " << devices[i] << ": the data rows differ";
  }
}

}  // namespace
