// The conventions every device-level conversation follows: the settle wait after ibfind, what
// a failed open leaves out, and text replies ended at the count received.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

TEST(SettleWait, AClockThatStopsOrGoesBackStillLetsTheWaitEnd) {
  // Without the monotonic bound these would spin for ever; the suite's time-out catches that.
  for (const auto& readings :
       {std::vector<std::time_t>{1000}, std::vector<std::time_t>{1000, 999}}) {
    ScriptedClock clock(readings);
    SettleWait();
    EXPECT_GT(ScriptedClock::reads, 2u);
  }
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
