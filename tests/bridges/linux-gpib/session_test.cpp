// The module loaded once over the linux-gpib bridge and its stand-in, on the default bench
// unpaced: a sequence of every device type in one process, each acquisition delivering what
// the same type delivers as the first acquisition of a fresh process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "gpibsim/gpibsim.h"
#include "support/loaded_module.h"
#include "support/session.h"

namespace {

using testing_support::Delivery;
using testing_support::LoadedModule;

// The module finds the bridge by its name once this process holds it.
void HoldTheBridge() {
  static void* const bridge = dlopen(LINUX_GPIB_BRIDGE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(bridge, nullptr) << dlerror();
}

void StartDefaultBench() {
  ASSERT_EQ(gpibsim_load_default_bench(), 0) << gpibsim_last_error();
  gpibsim_set_transfer_rate(0.0);
}

TEST(LinuxGpibSession, EachAcquisitionDeliversWhatAFreshProcessDelivers) {
  HoldTheBridge();
  std::array<Delivery, 4> fresh;
  for (int32_t type = 0; type < 4; ++type) {
    fresh[static_cast<size_t>(type)] = testing_support::InChildProcess([type] {
      StartDefaultBench();
      const LoadedModule module;
      return testing_support::Acquire(module.GetTransProperties, module.GetData, type);
    });
    ASSERT_EQ(fresh[static_cast<size_t>(type)].result, 1) << "type " << type;
  }
  StartDefaultBench();
  const LoadedModule module;
  ASSERT_TRUE(module.loaded()) << module.error();
  const std::vector<int32_t> types = {2, 3, 0, 2, 1, 3, 3, 2, 0};
  for (size_t i = 0; i < types.size(); ++i) {
    const Delivery delivery =
        testing_support::Acquire(module.GetTransProperties, module.GetData, types[i]);
    EXPECT_EQ(testing_support::Difference(fresh[static_cast<size_t>(types[i])], delivery), "")
        << "acquisition " << i << ": type " << types[i];
    EXPECT_EQ(gpibsim_open_descriptors(), 0) << "acquisition " << i;
  }
}

}  // namespace
