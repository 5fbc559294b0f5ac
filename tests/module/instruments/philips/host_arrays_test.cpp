// The host sizes its arrays by what GetTransProperties answered. For the PM3323 that answer
// comes from the instrument, which may be switched to another channel configuration before
// the acquisition: the acquisition must then not write past the arrays the host was told to
// provide.
#include <gtest/gtest.h>

#include <string>

#include "support/module_harness.h"

namespace {

using namespace testing_support;

constexpr int32_t kPhilips = 3;

std::string Pm3323Bench(bool aOn, bool bOn) {
  return std::string("[[device]]\nmodel = \"pm3323\"\naddress = 8\nname = \"DEV8\"\n") +
         "[device.a]\non = " + (aOn ? "true" : "false") +
         "\n[device.a.signal]\nshape = \"sine\"\n" +
         "[device.b]\non = " + (bOn ? "true" : "false") + "\n[device.b.signal]\nshape = \"sine\"\n";
}

class ChangedConfiguration : public ::testing::Test, protected DriverFixture {
 protected:
  // The arrays larger than announced, so that a write past the figures shows.
  ChangedConfiguration() : DriverFixture(4096, 0, 0) {}
  // GetTransProperties as the host asks it, against the instrument as it is then.
  void AskFigures(bool aOn, bool bOn) {
    bus.LoadBench(Pm3323Bench(aOn, bOn));
    ASSERT_EQ(GetTransProperties(kPhilips, &points, &channels), 1);
  }
  int32_t Acquire(bool aOn, bool bOn) {
    bus.LoadBench(Pm3323Bench(aOn, bOn));
    return GetData(kPhilips, &arrays.buffers, &points, &channels, host.Window(),
                   &RecordingHost::Callback);
  }
  // True when no value at or after `from` was written in the array.
  bool UntouchedFrom(int array, size_t from) const {
    for (size_t k = from; k < arrays.arrays[array].size(); ++k) {
      if (arrays.arrays[array][k] != arrays.marker) return false;
    }
    return true;
  }
};

// Told 2048 points in 3 arrays, the host gets no 4096-point channel when channel B went off.
TEST_F(ChangedConfiguration, OneChannelAfterBothWereAnnouncedIsRefused) {
  AskFigures(true, true);
  ASSERT_EQ(points, 2048);
  ASSERT_EQ(channels, 3);
  EXPECT_EQ(Acquire(true, false), 0);
  for (int array = 0; array < 3; ++array) EXPECT_TRUE(UntouchedFrom(array, 2048)) << array;
  EXPECT_EQ(host.messages, std::vector<std::string>{"Error !"});
}

// Told 4096 points in 2 arrays, the host provided no array 2 for channel B.
TEST_F(ChangedConfiguration, BothChannelsAfterOneWasAnnouncedIsRefused) {
  AskFigures(true, false);
  ASSERT_EQ(points, 4096);
  ASSERT_EQ(channels, 2);
  EXPECT_EQ(Acquire(true, true), 0);
  EXPECT_TRUE(arrays.Untouched(2));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Error !"});
}

// The configuration the host was told of is acquired as before.
TEST_F(ChangedConfiguration, TheAnnouncedConfigurationIsDelivered) {
  AskFigures(true, true);
  EXPECT_EQ(Acquire(true, true), 1);
  EXPECT_FALSE(UntouchedFrom(2, 2047));
  EXPECT_TRUE(UntouchedFrom(1, 2048));
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
