// gpibscope.dll loaded once by a Windows host that acquires on and on: every device type in one
// process, in an order that puts each after every other, each acquisition delivering what the
// first of its type delivered (arrays, sizes, messages, where the progress bar ends).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "module_host.h"

namespace {

using namespace windows_tests;

struct Seen {
  Acquisition acquisition;
  std::vector<std::string> messages;
  int position = 0;
};

Seen AcquireOnce(const LoadedModule& module, int32_t type) {
  Messages().clear();
  ProgressBar progress;
  Seen seen{Acquire(module, type, progress), {}, 0};
  seen.messages = Messages();
  seen.position = progress.position();
  return seen;
}

TEST(Session, EveryDeviceTypeAfterEveryOtherDeliversAsItsFirstAcquisition) {
  FindGpibLibraryIn(GPIBSIM_DIR);
  LoadedModule module;
  ASSERT_TRUE(module.loaded());
  std::map<int32_t, Seen> first;
  for (const int32_t type : {2, 3, 0, 1, 1, 0, 3, 2, 0, 2, 1, 3}) {
    SCOPED_TRACE("device type " + std::to_string(type));
    const Seen seen = AcquireOnce(module, type);
    if (first.count(type) == 0) {
      ASSERT_EQ(seen.acquisition.result, 1);
      first[type] = seen;
      continue;
    }
    const Seen& expected = first[type];
    EXPECT_EQ(seen.acquisition.result, 1);
    EXPECT_EQ(seen.acquisition.points, expected.acquisition.points);
    EXPECT_EQ(seen.acquisition.channels, expected.acquisition.channels);
    EXPECT_TRUE(seen.acquisition.values == expected.acquisition.values) << "the arrays differ";
    EXPECT_EQ(seen.messages, expected.messages);
    EXPECT_EQ(seen.position, expected.position);
  }
}

}  // namespace
