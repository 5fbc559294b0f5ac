// The simulated PM3323 end to end through the exports: the figures GetTransProperties gives and
// the waveforms GetData delivers match the bench's signals and probe settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "gpib/instrument_access.h"
#include "gpibscope/host.h"
#include "pm3323_script.h"

namespace {

using pm3323_test::RowName;
using ::testing::IsEmpty;
using testing_support::HostArrays;
using testing_support::ModuleHost;
using testing_support::SimBus;

constexpr double kTimeBase = 2.0e-3;

struct ChannelSetup {
  bool on = true;
  double attenuation = 1.0;
  std::string probe = "\"UNKNOWN\"";  // as written in the bench
  double probeFactor = 1.0;
  double amplitude = 0.8;
  double frequency = 250.0;

  std::string Toml(const char* key) const {
    return std::string("[device.") + key + "]\non = " + (on ? "true" : "false") +
           "\nattenuation = " + std::to_string(attenuation) + "\nprobe = " + probe + "\n[device." +
           key + ".signal]\nshape = \"sine\"\namplitude = " + std::to_string(amplitude) +
           "\nfrequency = " + std::to_string(frequency) + "\n";
  }
  double VoltsAt(double t) const {
    return amplitude * std::sin(2.0 * std::numbers::pi * frequency * t);
  }
  // Half a converter count in volts: the most a converted sample may differ from the signal.
  double Resolution() const { return probeFactor * attenuation * 0.009765625 / 2.0 + 1e-12; }
};

std::string Bench(const ChannelSetup& a, const ChannelSetup& b) {
  return "[[device]]\nmodel = \"pm3323\"\naddress = 8\nname = \"DEV8\"\ntime_base = " +
         std::to_string(kTimeBase) + "\n" + a.Toml("a") + b.Toml("b");
}

class Pm3323BenchTest : public ::testing::Test {
 protected:
  Pm3323BenchTest() { SetCalendarClock(&testing_support::SteppingClock); }
  ~Pm3323BenchTest() override { SetCalendarClock(nullptr); }

  // Probes and acquires as a host does; the arrays are sized from the probe's answer.
  void ProbeAndAcquire() {
    ASSERT_EQ(GetTransProperties(3, &points, &channels), 1);
    arrays = std::make_unique<HostArrays>(static_cast<size_t>(points) + 1);
    int32_t unusedPoints = -7;
    int16_t unusedChannels = -7;
    ASSERT_EQ(
        GetData(3, &arrays->buffers, &unusedPoints, &unusedChannels, host.Window(), &host.Callback),
        1);
    EXPECT_THAT(host.messages, IsEmpty());
    EXPECT_EQ(host.steps, 9);
  }

  // Every point of array `index` follows the channel's signal on the time axis.
  void ExpectFollows(int index, const ChannelSetup& channel) const {
    for (int32_t k = 0; k < points; ++k) {
      const double t = arrays->arrays[0][static_cast<size_t>(k)];
      ASSERT_NEAR(arrays->arrays[index][static_cast<size_t>(k)], channel.VoltsAt(t),
                  channel.Resolution())
          << "array " << index << ", point " << k;
    }
  }

  SimBus bus;
  ModuleHost host;
  std::unique_ptr<HostArrays> arrays;
  int32_t points = 0;
  int16_t channels = 0;
};

struct ConfigurationRow {
  const char* name;
  bool aOn, bOn;
  int32_t points;
  int16_t channels;
};

class Pm3323Configuration : public Pm3323BenchTest,
                            public ::testing::WithParamInterface<ConfigurationRow> {};

TEST_P(Pm3323Configuration, DeliversTheChannelsOnWithTheirTimeAxis) {
  const ConfigurationRow& row = GetParam();
  ChannelSetup a{.on = row.aOn};
  ChannelSetup b{.on = row.bOn,
                 .attenuation = 2.0,
                 .probe = "\"LOW_1:10\"",
                 .probeFactor = 10.0,
                 .amplitude = 15.0,
                 .frequency = 100.0};
  bus.LoadBench(Bench(a, b));
  ProbeAndAcquire();
  ASSERT_EQ(points, row.points);
  ASSERT_EQ(channels, row.channels);

  const double step = kTimeBase * (row.aOn && row.bOn ? 0.005 : 0.0025);
  for (int32_t k = 0; k < points; ++k)
    ASSERT_DOUBLE_EQ(arrays->arrays[0][static_cast<size_t>(k)], k * step) << k;
  ExpectFollows(1, row.aOn ? a : b);
  if (row.aOn && row.bOn) ExpectFollows(2, b);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(arrays->arrays[i][static_cast<size_t>(points)], -999.0);
  EXPECT_EQ(arrays->Untouched(2), !(row.aOn && row.bOn));
}

INSTANTIATE_TEST_SUITE_P(Channels, Pm3323Configuration,
                         ::testing::Values(ConfigurationRow{"Both", true, true, 2048, 3},
                                           ConfigurationRow{"AOnly", true, false, 4096, 2},
                                           ConfigurationRow{"BOnly", false, true, 4096, 2},
                                           ConfigurationRow{"Neither", false, false, 4096, 2}),
                         RowName());

struct ProbeRow {
  const char* name;
  std::string bench;  // the probe as the bench names it
  double factor;
};

class Pm3323Probe : public Pm3323BenchTest, public ::testing::WithParamInterface<ProbeRow> {};

// The attenuation is chosen so that the signal spans most of the converter's range.
TEST_P(Pm3323Probe, ScalesTheChannelByItsProbe) {
  const ProbeRow& row = GetParam();
  ChannelSetup a{.attenuation = 1.0 / row.factor,
                 .probe = row.bench,
                 .probeFactor = row.factor,
                 .amplitude = 1.0};
  bus.LoadBench(Bench(a, ChannelSetup{.on = false}));
  ProbeAndAcquire();
  ExpectFollows(1, a);
}

INSTANTIATE_TEST_SUITE_P(Names, Pm3323Probe,
                         ::testing::Values(ProbeRow{"Unknown", "\"UNKNOWN\"", 1.0},
                                           ProbeRow{"Current", "\"CURRENT\"", 1.0},
                                           ProbeRow{"Low100", "\"LOW_1:100\"", 100.0},
                                           ProbeRow{"Low10", "\"LOW_1:10\"", 10.0},
                                           ProbeRow{"High10", "\"HIGH_1:10\"", 1000.0},
                                           ProbeRow{"High100", "\"HIGH_1:100\"", 1000.0},
                                           ProbeRow{"Factor", "5.0", 5.0}),
                         RowName());

TEST_F(Pm3323BenchTest, IsolationProbeGivesZerosOnATimeAxis) {
  bus.LoadBench(Bench(ChannelSetup{.probe = "\"HV_ISOLATION\""}, ChannelSetup{.on = false}));
  ProbeAndAcquire();
  for (int32_t k = 0; k < points; ++k) {
    ASSERT_EQ(arrays->arrays[1][static_cast<size_t>(k)], 0.0) << k;
    ASSERT_DOUBLE_EQ(arrays->arrays[0][static_cast<size_t>(k)], k * kTimeBase * 0.0025) << k;
  }
}

TEST_F(Pm3323BenchTest, RefusesAnUnknownProbe) {
  EXPECT_THROW(bus.LoadBench(Bench(ChannelSetup{.probe = "\"LOW_1:1000\""}, ChannelSetup{})),
               std::runtime_error);
}

TEST_F(Pm3323BenchTest, ExampleBenchAcquires) {
  bus.LoadBenchFile(testing_support::ExampleBench("pm3323.toml"));
  ProbeAndAcquire();
}

}  // namespace
