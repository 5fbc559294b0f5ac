// GetData for the Tektronix device type on simulated benches with the TDS540 model: the scan,
// the chooser, the acquisition and the instrument's own state (header, front-panel lock).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "gpibscope/host.h"
#include "gpibsim/gpibsim.h"
#include "ni488/ni488.h"
#include "support/module_harness.h"
#include "support/scripted_console.h"

namespace {

using testing_support::HostArrays;
using testing_support::ModuleHost;
using testing_support::RecordingHost;
using testing_support::ScriptedKeys;
using testing_support::SimBus;

constexpr int kTektronix = 2;

// The bench's signals as closed forms, and the position in the period where a square wave
// jumps (compared only away from it).
double CyclePosition(double frequency, double t) {
  const double cycles = frequency * t;
  return cycles - std::floor(cycles);
}
double Sine(double amplitude, double frequency, double t) {
  return amplitude * std::sin(2.0 * std::numbers::pi * CyclePosition(frequency, t));
}
double Square(double amplitude, double frequency, double t) {
  return CyclePosition(frequency, t) < 0.5 ? amplitude : -amplitude;
}
double Triangle(double amplitude, double frequency, double t) {
  const double p = CyclePosition(frequency, t);
  return amplitude * (p < 0.25 ? 4.0 * p : p < 0.75 ? 2.0 - 4.0 * p : 4.0 * p - 4.0);
}
bool NearAnEdge(double frequency, double t) {
  const double p = CyclePosition(frequency, t);
  return std::fabs(p) < 1e-6 || std::fabs(p - 0.5) < 1e-6 || std::fabs(p - 1.0) < 1e-6;
}

class TektronixBench : public ::testing::Test {
 protected:
  void LoadExample(const std::string& name) {
    bus.LoadBenchFile(testing_support::ExampleBench(name));
  }
  int Acquire() {
    return GetData(kTektronix, &arrays.buffers, &points, &channels, host.Window(),
                   &RecordingHost::Callback);
  }
  // Every stored point of array `index` against the signal, within one sample count.
  void ExpectSignal(int index, double voltsPerDivision, const std::function<double(double)>& volts,
                    double edgeFrequency = 0.0) {
    const double count = voltsPerDivision / 6400.0;
    for (int32_t k = 0; k < points; ++k) {
      const double t = arrays.arrays[0][static_cast<size_t>(k)];
      if (edgeFrequency > 0.0 && NearAnEdge(edgeFrequency, t)) continue;
      ASSERT_NEAR(arrays.arrays[index][static_cast<size_t>(k)], volts(t), count)
          << "array " << index << " point " << k;
    }
  }

  SimBus bus;
  ModuleHost host;
  HostArrays arrays{20000};
  int32_t points = -1;
  int16_t channels = 5;
};

TEST_F(TektronixBench, OneInstrumentDeliversItsSwitchedOnChannels) {
  LoadExample("tds540.toml");

  ASSERT_EQ(Acquire(), 1) << (host.messages.empty() ? "" : host.messages.front());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.steps, 8);
  EXPECT_EQ(points, 2500);
  EXPECT_NEAR(arrays.arrays[0][2499], 2499 * 4.0e-6, 1e-15);
  ExpectSignal(1, 0.5, [](double t) { return Sine(1.5, 1000.0, t); });
  ExpectSignal(
      2, 1.0, [](double t) { return -1.0 + Square(1.0, 2500.0, t); }, 2500.0);
  EXPECT_TRUE(arrays.Untouched(3));
  ExpectSignal(4, 0.2, [](double t) { return Triangle(0.6, 200.0, t); });
  EXPECT_EQ(arrays.arrays[1][2500], arrays.marker);
  EXPECT_EQ(gpibsim_device_locked(5), 0);
}

TEST_F(TektronixBench, TheChooserPicksTheHighlightedInstrument) {
  LoadExample("two-tds540.toml");
  ScriptedKeys keys({"\x1b[B", "\r"});

  ASSERT_EQ(Acquire(), 1);
  EXPECT_EQ(keys.opened, 1);
  EXPECT_EQ(points, 1000);
  ExpectSignal(
      1, 1.0, [](double t) { return Square(2.0, 5000.0, t); }, 5000.0);
  ExpectSignal(
      2, 1.0, [](double t) { return -Square(2.0, 5000.0, t); }, 5000.0);
}

const std::string kFreshInstrument = testing_support::TestBench("tds540-sending-headers.toml");

// Fresh from power-on the instrument answers with headers, so the channel flags are not where
// the module reads them: the first run finds no channel on, and turns the headers off.
TEST_F(TektronixBench, AnInstrumentStillSendingHeadersShowsNoChannelOnTheFirstRun) {
  bus.LoadBenchFile(kFreshInstrument);

  ASSERT_EQ(Acquire(), 1);
  EXPECT_EQ(points, 1000);
  for (int i = 0; i <= 4; ++i) EXPECT_TRUE(arrays.Untouched(i)) << "array " << i;

  ASSERT_EQ(Acquire(), 1);
  EXPECT_TRUE(arrays.Untouched(1));
  ExpectSignal(3, 0.1, [](double) { return 0.25; });
}

// "*IDN?", "LOCK ALL", "SELECT?", "HEADER OFF", "HOR:MAI:SCA?", "HOR:RECO?" and, as an
// instrument still sending headers shows no channel on, "UNLOCK ALL".
TEST_F(TektronixBench, ThePanelStaysLockedOnlyWhenTheUnlockFails) {
  bus.LoadBenchFile(kFreshInstrument);
  gpibsim_fail_call("Receive", 3, EABO);  // the time base
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Receive error !"});
  EXPECT_EQ(gpibsim_device_locked(6), 0);

  bus.LoadBenchFile(kFreshInstrument);
  gpibsim_fail_call("Send", 7, EABO);
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(host.messages.back(), "Send error !");
  EXPECT_EQ(gpibsim_device_locked(6), 1);
}

TEST_F(TektronixBench, AMuteListenerEndsTheScan) {
  LoadExample("silent-listener.toml");

  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Receive error !"});
  EXPECT_EQ(gpibsim_device_locked(7), 0);
}

}  // namespace
