// The conventions every device-level conversation follows: the settle wait after ibfind, what
// a failed open leaves out, and text replies ended at the count received.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "gpib/instrument_access.h"
#include "support/module_harness.h"

namespace {

using testing_support::BoundGpib;
using testing_support::SimBus;

// A calendar clock that gives the readings of `script` in turn, then repeats the last one.
struct ScriptedClock {
  static inline std::vector<std::time_t> script;
  static inline size_t reads = 0;
  static std::time_t Read(std::time_t* out) {
    const std::time_t now = script[std::min(reads, script.size() - 1)];
    ++reads;
    if (out != nullptr) *out = now;
    return now;
  }
  explicit ScriptedClock(std::vector<std::time_t> readings) {
    script = std::move(readings);
    reads = 0;
    SetCalendarClock(&Read);
  }
  ~ScriptedClock() { SetCalendarClock(nullptr); }
};

TEST(SettleWait, EndsAtTheFirstReadingOfTheNextWholeSecond) {
  struct Row {
    std::vector<std::time_t> readings;
    size_t reads;
  };
  for (const Row& row :
       {Row{{1000, 1000, 1000, 1001}, 4}, Row{{1000, 1005}, 2}, Row{{1000, 1001}, 2}}) {
    ScriptedClock clock(row.readings);
    SettleWait();
    EXPECT_EQ(ScriptedClock::reads, row.reads);
  }
}

// The wait sleeps between readings: a spinning wait would read the clock millions of times.
constexpr size_t kMostReadings = 16;

TEST(SettleWait, AClockThatStopsOrGoesBackEndsTheWaitAfterOneMonotonicSecond) {
  for (const auto& readings :
       {std::vector<std::time_t>{1000}, std::vector<std::time_t>{1000, 999}}) {
    ScriptedClock clock(readings);
    const auto started = std::chrono::steady_clock::now();
    SettleWait();
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited.count(), 1.0);
    EXPECT_LT(waited.count(), 1.5);
    EXPECT_GT(ScriptedClock::reads, 2u);
    EXPECT_LE(ScriptedClock::reads, kMostReadings);
  }
}

// The runtime's clock, counted: the wait ends in the second after its first reading, soon
// after that second began.
struct CountedRuntimeClock {
  static inline std::vector<std::time_t> readings;
  static std::time_t Read(std::time_t* out) {
    readings.push_back(std::time(out));
    return readings.back();
  }
  CountedRuntimeClock() {
    readings.clear();
    SetCalendarClock(&Read);
  }
  ~CountedRuntimeClock() { SetCalendarClock(nullptr); }
};

TEST(SettleWait, SleepsUntilTheRuntimeClocksNextSecond) {
  CountedRuntimeClock clock;
  SettleWait();
  const auto sinceSecond =
      std::chrono::system_clock::now().time_since_epoch() % std::chrono::seconds(1);
  ASSERT_GE(CountedRuntimeClock::readings.size(), 2u);
  EXPECT_EQ(CountedRuntimeClock::readings.back(), CountedRuntimeClock::readings.front() + 1);
  EXPECT_LT(sinceSecond, std::chrono::milliseconds(250));
  EXPECT_LE(CountedRuntimeClock::readings.size(), kMostReadings);
}

class Conventions : public ::testing::Test {
 protected:
  static constexpr int32_t kPad = 5;
  Conventions() { bus.AddScripted(kPad, "DEV1"); }
  SimBus bus;
  BoundGpib gpib;
};

TEST_F(Conventions, FailedFindRunsTheSettleWaitButNeitherOnlineNorTimeout) {
  ScriptedClock clock({1000, 1001});
  EXPECT_LT(OpenInstrument("DEV9"), 0);
  EXPECT_EQ(ScriptedClock::reads, 2u);
  EXPECT_TRUE(bus.CallsOf("ibonl").empty());
  EXPECT_TRUE(bus.CallsOf("ibtmo").empty());
}

TEST_F(Conventions, FailedOnlineOrTimeoutIsNotAFailedOpen) {
  gpibsim_fail_call("ibonl", 1, EDVR);
  gpibsim_fail_call("ibtmo", 1, EARG);
  EXPECT_GE(OpenInstrument("DEV1"), 0);
  EXPECT_EQ(bus.CallsOf("ibtmo").size(), 1u);
}

// 52 bytes of which the reader may use 51: the last one shows anything written past them.
struct GuardedBuffer {
  std::array<char, 52> bytes;
  GuardedBuffer() { bytes.fill('#'); }
  std::span<char> Usable() { return std::span(bytes).first(51); }
};

TEST_F(Conventions, ReplyOfExactlyTheLimitIsEndedInTheExtraByte) {
  const std::string reply(50, 'r');
  bus.Queue(kPad, reply);
  GuardedBuffer buffer;
  EXPECT_EQ(ReadText(OpenInstrument("DEV1"), buffer.Usable()), reply);
  EXPECT_EQ(buffer.bytes[50], '\0');
  EXPECT_EQ(buffer.bytes[51], '#');
}

TEST_F(Conventions, LongerReplyOrOverstatedCountStaysWithinTheBuffer) {
  bus.Queue(kPad, std::string(60, 'r'));
  const int ud = OpenInstrument("DEV1");
  GuardedBuffer buffer;
  EXPECT_EQ(ReadText(ud, buffer.Usable())->size(), 50u);
  gpibsim_force_count("ibrd", 1, 80);
  EXPECT_EQ(ReadText(ud, buffer.Usable())->size(), 50u);
  EXPECT_EQ(buffer.bytes[51], '#');
}

TEST_F(Conventions, ShortReplyKeepsNothingOfTheCommandBeforeIt) {
  bus.Reply(kPad, "STA\n", "A");
  const int ud = OpenInstrument("DEV1");
  std::array<char, 51> buffer{'S', 'T', 'A', '\n'};
  WriteCommand(ud, std::string_view(buffer.data(), 4));
  const auto reply = ReadText(ud, buffer);
  EXPECT_EQ(reply, "A");
  EXPECT_STREQ(buffer.data(), "A");
}

TEST_F(Conventions, UnansweredReadIsAFailure) {
  EXPECT_EQ(ReadText(OpenInstrument("DEV1"), GuardedBuffer().Usable()), std::nullopt);
  EXPECT_TRUE(LastCallFailed());
}

}  // namespace
