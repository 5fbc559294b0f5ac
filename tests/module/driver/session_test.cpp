// A host that loads the module once and acquires for hours, on the default simulated bench
// (settle waits on the stepping clock, bytes moved instantly): every acquisition, whatever
// came before it, delivers what the same device type delivers as the first acquisition of a
// fresh process, and leaves no descriptor open.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "gpib/instrument_access.h"
#include "gpibsim/gpibsim.h"
#include "support/module_harness.h"
#include "support/session.h"

namespace {

using namespace testing_support;

struct Sequence {
  const char* name;
  std::vector<int32_t> types;
};

void StartDefaultBench() {
  ASSERT_EQ(gpibsim_load_default_bench(), 0) << gpibsim_last_error();
  gpibsim_set_transfer_rate(0.0);
}

Delivery AcquireThroughTheExports(int32_t type) {
  return Acquire(&GetTransProperties, &GetData, type);
}

class ModuleSession : public testing::TestWithParam<Sequence> {
 protected:
  // Each type's first acquisition in a process of its own, forked before this one acquires.
  static void SetUpTestSuite() {
    SetCalendarClock(&SteppingClock);
    for (int32_t type = 0; type < 4; ++type) {
      fresh[static_cast<size_t>(type)] = InChildProcess([type] {
        StartDefaultBench();
        return AcquireThroughTheExports(type);
      });
    }
  }
  static void TearDownTestSuite() { SetCalendarClock(nullptr); }

  static inline std::array<Delivery, 4> fresh;
};

TEST_P(ModuleSession, EachAcquisitionDeliversWhatAFreshProcessDelivers) {
  for (const Delivery& first : fresh) ASSERT_EQ(first.result, 1) << Difference({}, first);
  StartDefaultBench();
  const std::vector<int32_t>& types = GetParam().types;
  for (size_t i = 0; i < types.size(); ++i) {
    const Delivery delivery = AcquireThroughTheExports(types[i]);
    EXPECT_EQ(Difference(fresh[static_cast<size_t>(types[i])], delivery), "")
        << "acquisition " << i << ": type " << types[i] << " after type "
        << (i > 0 ? types[i - 1] : -1);
    EXPECT_EQ(gpibsim_open_descriptors(), 0) << "acquisition " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(DefaultBench, ModuleSession,
                         testing::Values(Sequence{"EveryOrderedPair", EveryOrderedPair()},
                                         Sequence{"Seeded", SeededSequence(2026, 48)}),
                         [](const testing::TestParamInfo<Sequence>& sequence) {
                           return std::string(sequence.param.name);
                         });

}  // namespace
