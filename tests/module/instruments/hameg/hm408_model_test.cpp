// The simulated HM408 read through GetData, as a host reads it: the volts match the bench's
// signals within one code, for both channels, one channel and XY mode.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

#include "gpib/instrument_access.h"
#include "gpibscope/host.h"
#include "support/module_harness.h"

namespace {

using testing_support::HostArrays;
using testing_support::ModuleHost;
using testing_support::RecordingHost;
using testing_support::SimBus;

constexpr double kCode = 0.0390625;

using Volts = std::function<double(double t)>;
Volts Sine(double amplitude, double frequency) {
  return [=](double t) { return amplitude * std::sin(2 * std::numbers::pi * frequency * t); };
}

// What a host finds in one array: nothing, the time axis, or a signal at `voltsPerDivision`.
struct Expected {
  Volts volts;  // empty: the array is not written
  double voltsPerDivision = 0;
  bool time = false;
};
const Expected kUntouched{};
const Expected kTimeAxis{nullptr, 0, true};

class Hm408Model : public ::testing::Test {
 protected:
  Hm408Model() { SetCalendarClock(&testing_support::SteppingClock); }
  ~Hm408Model() override { SetCalendarClock(nullptr); }

  int32_t Acquire(int32_t type) {
    return GetData(type, &arrays.buffers, &points, &channels, host.Window(),
                   &RecordingHost::Callback);
  }
  // Sample k was taken at k x dt, dt = 10 divisions x time base / points.
  void ExpectArray(int index, const Expected& expected, double secondsPerDivision) const {
    SCOPED_TRACE(index);
    if (!expected.volts && !expected.time) {
      EXPECT_TRUE(arrays.Untouched(index));
      return;
    }
    const double dt = secondsPerDivision * 10 / points;
    for (int32_t k = 0; k < points; ++k) {
      const double t = k * dt;
      const double value = arrays.arrays[index][static_cast<size_t>(k)];
      if (expected.time) {
        ASSERT_NEAR(value, t, 1e-12) << k;
      } else {
        ASSERT_NEAR(value, expected.volts(t), expected.voltsPerDivision * kCode * 1.001) << k;
      }
    }
  }

  SimBus bus;
  ModuleHost host;
  HostArrays arrays{4096};
  int32_t points = -1;
  int16_t channels = -1;
};

std::string Bench(std::string_view name, std::string_view settings) {
  return "[[device]]\nmodel = \"hm408\"\naddress = 3\nname = \"" + std::string(name) + "\"\n" +
         std::string(settings);
}

constexpr std::string_view kBothChannels = R"(time_per_div = 0.5e-3
[device.ch1]
volts_per_div = 0.5
signal = { shape = "sine", amplitude = 1.5, frequency = 1000.0 }
[device.ch2]
volts_per_div = 2e-3
signal = { shape = "sine", amplitude = 5e-3, frequency = 300.0 }
)";

TEST_F(Hm408Model, BothChannelsAgainstTime) {
  bus.LoadBench(Bench("DEV1", kBothChannels));
  ASSERT_EQ(Acquire(0), 1);
  EXPECT_EQ(points, 2048);
  EXPECT_EQ(channels, 3);
  EXPECT_EQ(host.steps, 9);
  ExpectArray(0, kTimeAxis, 0.5e-3);
  ExpectArray(1, {Sine(1.5, 1000), 0.5}, 0.5e-3);
  ExpectArray(2, {Sine(5e-3, 300), 2e-3}, 0.5e-3);
  EXPECT_EQ(gpibsim_open_descriptors(), 0) << "its descriptor given up";
}

TEST_F(Hm408Model, XYModePutsChannel1OnTheHorizontalAxis) {
  bus.LoadBench(Bench("DEV2", std::string("xy = true\n") + std::string(kBothChannels)));
  ASSERT_EQ(Acquire(1), 1);
  EXPECT_EQ(points, 2048);
  EXPECT_EQ(channels, 2);
  ExpectArray(0, {Sine(1.5, 1000), 0.5}, 0.5e-3);
  ExpectArray(1, {Sine(5e-3, 300), 2e-3}, 0.5e-3);
  ExpectArray(2, kUntouched, 0);
}

TEST_F(Hm408Model, OneChannelHasAllTheMemory) {
  bus.LoadBench(Bench("DEV2", R"(time_per_div = 2e-6
[device.ch1]
present = false
[device.ch2]
volts_per_div = 20e-3
signal = { shape = "sine", amplitude = 0.07, frequency = 1e5 }
)"));
  ASSERT_EQ(Acquire(1), 1);
  EXPECT_EQ(points, 4096);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(host.steps, 8);
  ExpectArray(0, kTimeAxis, 2e-6);
  ExpectArray(1, {Sine(0.07, 1e5), 20e-3}, 2e-6);
  ExpectArray(2, kUntouched, 0);
}

TEST_F(Hm408Model, SignalBeyondTheScreenIsClampedToTheOuterCodes) {
  bus.LoadBench(Bench("DEV1", R"([device.ch1]
volts_per_div = 0.1
signal = { shape = "square", amplitude = 3.0, frequency = 500.0 }
)"));
  ASSERT_EQ(Acquire(0), 1);
  const auto [low, high] = std::minmax_element(arrays.arrays[1].begin(), arrays.arrays[1].end());
  EXPECT_EQ(*low, -127 * (0.1 * kCode));
  EXPECT_EQ(*high, 128 * (0.1 * kCode));
}

TEST_F(Hm408Model, NoChannelGivesTheTimeAxisAlone) {
  bus.LoadBench(Bench("DEV1", "time_per_div = 0.1\n"));
  ASSERT_EQ(Acquire(0), 1);
  EXPECT_EQ(points, 4096);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(host.steps, 7);
  ExpectArray(0, kTimeAxis, 0.1);
  ExpectArray(1, kUntouched, 0);
}

TEST_F(Hm408Model, ExampleBenchServesBothDeviceTypes) {
  bus.LoadBenchFile(testing_support::ExampleBench("hm408.toml"));
  EXPECT_EQ(Acquire(0), 1);
  EXPECT_EQ(channels, 3);
  EXPECT_EQ(Acquire(1), 1);
  EXPECT_EQ(channels, 2);
  EXPECT_TRUE(host.messages.empty());
}

TEST(Hm408Bench, RefusesSettingsItCannotShow) {
  SimBus bus;
  for (const char* settings :
       {"time_per_div = 0.0\n", "xy = 1\n", "[device.ch1]\nvolts_per_div = -1\n", "ch2 = 5\n"}) {
    EXPECT_ANY_THROW(bus.LoadBench(Bench("DEV1", settings))) << settings;
  }
}

}  // namespace
