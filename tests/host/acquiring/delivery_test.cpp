// How the host reads what GetData left in its NaN-filled arrays: which arrays were delivered,
// how many points, and whether array 0 is a time axis, the Hameg's X signal or absent.
#include "acquiring/delivery.h"
#include "support/case_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace scopehost {
namespace {

// Writes values[k] = f(k) for k below count into array index.
void Fill(HostArrays& arrays, int index, size_t count, const std::function<double(size_t)>& f) {
  double* array = arrays.buffers()->arrays[index];
  for (size_t k = 0; k < count; ++k) array[k] = f(k);
}
double Time(size_t k) {
  return double(k) * 1e-6;
}
// A quantised sine: what an 8-bit X channel looks like.
double Samples(size_t k) {
  return std::round(100.0 * std::sin(double(k) * 0.01)) * 0.0390625;
}

std::vector<std::string> Names(const Waveforms& waveforms) {
  std::vector<std::string> names;
  for (const Trace& channel : waveforms.channels) names.push_back(channel.name);
  return names;
}

TEST(Delivery, HamegWithOneChannelKeepsItsTimeAxis) {
  HostArrays arrays(4096, 3);
  Fill(arrays, 0, 4096, Time);
  Fill(arrays, 1, 4096, Samples);
  const Waveforms waveforms = Delivered(arrays, 0, {4096, 2});
  EXPECT_EQ(waveforms.abscissa, Abscissa::kTime);
  EXPECT_EQ(Names(waveforms), std::vector<std::string>{"ch1"});
  EXPECT_EQ(waveforms.points(), 4096u);
}

// Whether a Hameg's array 0 is X, by the counts it wrote and, with 4096 points in 2 arrays,
// by whether array 0 runs as a time axis does.
struct XYCase {
  const char* name;
  int32_t points;
  std::function<double(size_t)> array0;
  Abscissa abscissa;
};
class HamegXYMode : public ::testing::TestWithParam<XYCase> {};

TEST_P(HamegXYMode, IsToldByTheCountsAndTheTimeAxis) {
  HostArrays arrays(4096, 3);
  const size_t points = static_cast<size_t>(GetParam().points);
  Fill(arrays, 0, points, GetParam().array0);
  Fill(arrays, 1, points, Samples);
  const Waveforms waveforms = Delivered(arrays, 0, {GetParam().points, 2});
  EXPECT_EQ(waveforms.abscissa, GetParam().abscissa);
  EXPECT_EQ(Names(waveforms),
            std::vector<std::string>{GetParam().abscissa == Abscissa::kX ? "Y" : "ch1"});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HamegXYMode,
    ::testing::Values(
        XYCase{"BothChannelsXY", 2048, Samples, Abscissa::kX},
        XYCase{"BothChannelsXYWithAFlatX", 2048, [](size_t) { return 0.0; }, Abscissa::kX},
        XYCase{"ChannelOneAloneXY", 4096, Samples, Abscissa::kX},
        XYCase{"ZeroTimeBase", 4096, [](size_t) { return 0.0; }, Abscissa::kTime},
        XYCase{"NegativeTimeBase", 4096, [](size_t k) { return -Time(k); }, Abscissa::kTime}),
    testing_support::kCaseName);

TEST(Delivery, HamegInXYModeWithChannelTwoOnlyNumbersTheSamples) {
  HostArrays arrays(4096, 3);
  Fill(arrays, 1, 4096, Samples);
  const Waveforms waveforms = Delivered(arrays, 1, {4096, 2});
  EXPECT_EQ(waveforms.abscissa, Abscissa::kSampleIndex);
  EXPECT_EQ(waveforms.abscissaValues[4095], 4095.0);
  EXPECT_EQ(waveforms.channels.size(), 1u);
}

TEST(Delivery, TektronixNamesChannelsByTheirArrays) {
  HostArrays arrays(20000, 5);
  Fill(arrays, 0, 500, Time);
  Fill(arrays, 2, 500, Samples);
  Fill(arrays, 4, 500, Samples);
  const Waveforms waveforms = Delivered(arrays, 2, {500, 5});
  EXPECT_EQ(Names(waveforms), (std::vector<std::string>{"ch2", "ch4"}));
  EXPECT_EQ(waveforms.points(), 500u);
}

TEST(Delivery, RowsEndWhereTheShortestArrayStopsBeingWritten) {
  HostArrays arrays(20000, 5);
  Fill(arrays, 0, 15000, Time);
  Fill(arrays, 1, 15000, Samples);
  Fill(arrays, 3, 12000, Samples);
  EXPECT_EQ(Delivered(arrays, 2, {15000, 5}).points(), 12000u);
}

TEST(Delivery, ACountBeyondTheArraysIsReadOnlyAsFarAsTheyReach) {
  HostArrays arrays(20000, 5);
  Fill(arrays, 0, 20000, Time);
  Fill(arrays, 1, 20000, Samples);
  EXPECT_EQ(Delivered(arrays, 2, {50000, 5}).points(), 20000u);
}

TEST(Delivery, PhilipsWritesNoCountsSoTheArraysTell) {
  HostArrays arrays(4096, 2);
  Fill(arrays, 0, 1000, Time);
  Fill(arrays, 1, 1000, Samples);
  const Waveforms waveforms = Delivered(arrays, 3, {});
  EXPECT_EQ(waveforms.points(), 1000u);
  EXPECT_EQ(Names(waveforms), std::vector<std::string>{"ch1"});
}

TEST(Delivery, NothingWrittenIsNothingDelivered) {
  HostArrays arrays(4096, 3);
  const Waveforms waveforms = Delivered(arrays, 3, {});
  EXPECT_TRUE(waveforms.channels.empty());
  EXPECT_EQ(waveforms.points(), 0u);
}

}  // namespace
}  // namespace scopehost
