// The PM3323 acquisition against a scripted instrument: the bytes on the bus, each way it can
// fail, and what lands in the host's arrays.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "instruments/philips/philips_driver.h"
#include "ni488/ni488.h"
#include "pm3323_script.h"

namespace {

using namespace pm3323_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Channel A: 0.5 V/div with a 1:1 probe; channel B: 2 V/div with a 1:10 probe; TIM 2 ms.
constexpr double kScaleA = 1.0 * 0.5 * 0.009765625;
constexpr double kScaleB = 10.0 * 2.0 * 0.009765625;
constexpr double kTim = 2.0e-3;

class PhilipsDriverTest : public ::testing::Test, protected DriverFixture {
 protected:
  PhilipsDriverTest() : DriverFixture(16, -7, -7) {}
  int Acquire() { return PhilipsDriver(&arrays.buffers, &points, &channels, "DEV8"); }
  int AcquireAnswering(const Pm3323Replies& replies, size_t answered = kAllReads) {
    AddPm3323(bus);
    QueueReplies(bus, replies.InOrder(), answered);
    return Acquire();
  }
};

std::vector<long> ReadLimits(const SimBus& bus) {
  std::vector<long> limits;
  for (const auto& call : bus.CallsOf("ibrd")) {
    limits.push_back(std::stol(call.arguments.substr(call.arguments.rfind('=') + 1)));
  }
  return limits;
}

TEST_F(PhilipsDriverTest, SpeaksTheDialogueByteForByteAndReleasesTheDevice) {
  Pm3323Replies replies;
  ASSERT_EQ(AcquireAnswering(replies), 1);

  EXPECT_THAT(bus.Written(), ElementsAre("IDT ?\n", "FRO 0\n", "MSC AUX\n", "MEM ON\n", "HOR ?\n",
                                         "REG 0\n", "VER A\n", "FCN ?\n", "ATT ?\n", "PRO ?\n",
                                         "VER B\n", "FCN ?\n", "ATT ?\n", "PRO ?\n", "MSC TRACE\n",
                                         "CHANNEL ALL\n", "DATA_TYPE BINARY\n", "DAT ?\n"));
  EXPECT_THAT(ReadLimits(bus), ElementsAre(50, 200, 20, 100, 100, 20, 100, 100, 13, 8, 10));
  EXPECT_EQ(host.steps, 9);
  EXPECT_THAT(host.messages, IsEmpty());
  EXPECT_EQ(ObservedClosing(bus), Closing::kReleased);
  EXPECT_EQ(points, -7) << "the host sized its arrays from the probe";
  EXPECT_EQ(channels, -7);
}

// --- Failures -------------------------------------------------------------------------------

struct FailureRow {
  const char* name;
  std::function<void(SimBus&)> arrange;
  const char* message;  // nullptr: a silent failure
  Closing closing;
  int steps;
};

// The instrument stops answering at `read`.
std::function<void(SimBus&)> Unanswered(Read read) {
  return [read](SimBus& bus) {
    AddPm3323(bus);
    QueueReplies(bus, Pm3323Replies{}.InOrder(), read);
  };
}

// The instrument gives `reply` in place of the usual one at `read`.
std::function<void(SimBus&)> Answering(Read read, std::string reply) {
  return [read, reply](SimBus& bus) {
    AddPm3323(bus);
    auto replies = Pm3323Replies{}.InOrder();
    replies[read] = reply;
    QueueReplies(bus, replies);
  };
}

// The nth write fails on the bus.
std::function<void(SimBus&)> FailingWrite(int32_t nth) {
  return [nth](SimBus& bus) {
    AddPm3323(bus);
    QueueReplies(bus, Pm3323Replies{}.InOrder());
    gpibsim_fail_call("ibwrt", nth, EABO);
  };
}

class PhilipsDriverFailure : public PhilipsDriverTest,
                             public ::testing::WithParamInterface<FailureRow> {};

TEST_P(PhilipsDriverFailure, ReportsClosesAndStopsStepping) {
  const FailureRow& row = GetParam();
  row.arrange(bus);
  EXPECT_EQ(Acquire(), 0);
  if (row.message != nullptr) {
    EXPECT_THAT(host.messages, ElementsAre(row.message));
  } else {
    EXPECT_THAT(host.messages, IsEmpty());
  }
  EXPECT_EQ(ObservedClosing(bus), row.closing) << "closing was " << ToString(ObservedClosing(bus));
  EXPECT_EQ(host.steps, row.steps);
}

const FailureRow kFailures[] = {
    {"NotConfigured", [](SimBus&) {}, "Cant open Philips at DEV8 !", Closing::kNone, 1},
    {"IdentificationUnanswered", Unanswered(kIdentification), "No Answer", Closing::kOffline, 1},
    {"AnotherModel", Answering(kIdentification, "IDT PHILIPS PM3384\n"), "Invalid device !",
     Closing::kOffline, 2},
    {"FrontPanelWriteFails", FailingWrite(2), "Send error !", Closing::kOffline, 3},
    {"MemoryWriteFails", FailingWrite(4), "Send error !", Closing::kOffline, 3},
    {"HorizontalUnanswered", Unanswered(kHorizontal), "Send error !", Closing::kOffline, 4},
    {"HorizontalWithoutTim", Answering(kHorizontal, "HOR MTB,2.000E-03\n"), "Error !",
     Closing::kOffline, 4},
    {"FunctionAUnanswered", Unanswered(kFunctionA), nullptr, Closing::kLeftOnline, 5},
    {"AttenuationAUnanswered", Unanswered(kAttenuationA), nullptr, Closing::kLeftOnline, 5},
    {"ProbeAUnanswered", Unanswered(kProbeA), nullptr, Closing::kLeftOnline, 5},
    {"FunctionBUnanswered", Unanswered(kFunctionB), nullptr, Closing::kLeftOnline, 6},
    {"AttenuationBUnanswered", Unanswered(kAttenuationB), nullptr, Closing::kLeftOnline, 6},
    {"ProbeBUnanswered", Unanswered(kProbeB), nullptr, Closing::kLeftOnline, 6},
    {"WordCountUnanswered", Unanswered(kWordCount), nullptr, Closing::kLeftOnline, 7},
    {"BlockUnanswered", Unanswered(kBlock), nullptr, Closing::kLeftOnline, 7},
    {"TrailerUnanswered", Unanswered(kTrailer), nullptr, Closing::kLeftOnline, 9},
    {"NegativeWordCount", Answering(kWordCount, "DAT -2\n"), "Error !", Closing::kOffline, 7},
    {"WordCountBeyondFullMemory", Answering(kWordCount, "DAT 4097\n"), "Error !", Closing::kOffline,
     7},
    {"WordCountBeyondReplyBuffer", Answering(kWordCount, "DAT 5000\n"), "Error !",
     Closing::kOffline, 7},
    {"WordCountBeyondLong", Answering(kWordCount, "DAT 99999999999999999999999\n"), "Error !",
     Closing::kOffline, 7},
};

INSTANTIATE_TEST_SUITE_P(Rows, PhilipsDriverFailure, ::testing::ValuesIn(kFailures), RowName());

TEST_F(PhilipsDriverTest, ARefusedWordCountReadsNoBlock) {
  Answering(kWordCount, "DAT 4097\n")(bus);
  ASSERT_EQ(Acquire(), 0);
  EXPECT_THAT(ReadLimits(bus), ElementsAre(50, 200, 20, 100, 100, 20, 100, 100, 13));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(arrays.Untouched(i));
}

// Writes whose failure the dialogue does not judge: identification, auxiliary screen,
// register and channel selection. The replies come all the same, so the acquisition goes on.
class PhilipsUnjudgedWrite : public PhilipsDriverTest,
                             public ::testing::WithParamInterface<int32_t> {};

TEST_P(PhilipsUnjudgedWrite, DoesNotStopTheAcquisition) {
  FailingWrite(GetParam())(bus);
  EXPECT_EQ(Acquire(), 1);
  EXPECT_THAT(host.messages, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Writes, PhilipsUnjudgedWrite, ::testing::Values(1, 3, 6, 7, 11));

// --- Array layouts --------------------------------------------------------------------------

struct LayoutRow {
  const char* name;
  bool aOn, bOn;
  double firstScale;  // of the channel in array 1
  double step;
};

class PhilipsLayout : public PhilipsDriverTest, public ::testing::WithParamInterface<LayoutRow> {};

TEST_P(PhilipsLayout, FillsTheArraysTheProbeAnnounced) {
  const LayoutRow& row = GetParam();
  Pm3323Replies replies;
  replies.functionA = row.aOn ? "FCN ON\n" : "FCN OFF\n";
  replies.functionB = row.bOn ? "FCN ON\n" : "FCN OFF\n";
  const std::vector<int> samples = {-128, 127, 1, -1, 5, -5, 0, 100};
  replies.wordCount = "DAT 8\n";
  replies.block = Block({-128, 127, 1, -1, 5, -5, 0, 100});
  ASSERT_EQ(AcquireAnswering(replies), 1);

  const bool both = row.aOn && row.bOn;
  const size_t stored = both ? 4 : 8;
  for (size_t k = 0; k < stored; ++k) {
    EXPECT_DOUBLE_EQ(arrays.arrays[0][k], static_cast<double>(k) * (kTim * row.step)) << k;
    const size_t word = both ? 2 * k : k;
    EXPECT_DOUBLE_EQ(arrays.arrays[1][k], samples[word] * row.firstScale) << k;
    if (both) {
      EXPECT_DOUBLE_EQ(arrays.arrays[2][k], samples[word + 1] * kScaleB) << k;
    }
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(arrays.arrays[i][stored], arrays.marker) << i;
  EXPECT_EQ(arrays.Untouched(2), !both);
  EXPECT_TRUE(arrays.Untouched(3));
  EXPECT_TRUE(arrays.Untouched(4));
}

INSTANTIATE_TEST_SUITE_P(Channels, PhilipsLayout,
                         ::testing::Values(LayoutRow{"Both", true, true, kScaleA, 0.005},
                                           LayoutRow{"AOnly", true, false, kScaleA, 0.0025},
                                           LayoutRow{"BOnly", false, true, kScaleB, 0.0025},
                                           LayoutRow{"Neither", false, false, kScaleB, 0.0025}),
                         RowName());

// Signed extremes, each with an unused byte that would change the value if it were read.
TEST_F(PhilipsDriverTest, SamplesAreSignedBytesAfterAnUnusedOne) {
  Pm3323Replies replies;
  replies.wordCount = "DAT 2\n";
  replies.block = std::string("\xFF\x7F\x00\x80", 4);
  ASSERT_EQ(AcquireAnswering(replies), 1);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][0], 127 * kScaleA);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][1], -128 * kScaleA);
}

TEST_F(PhilipsDriverTest, WordCountZeroLeavesEveryArrayAlone) {
  Pm3323Replies replies;
  replies.wordCount = "DAT 0\n";
  replies.block.clear();
  EXPECT_EQ(AcquireAnswering(replies), 1);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(arrays.Untouched(i)) << i;
  EXPECT_EQ(host.steps, 9);
}

TEST_F(PhilipsDriverTest, OddWordCountWithBothChannelsDropsTheIncompletePoint) {
  Pm3323Replies replies;
  replies.functionB = "FCN ON\n";
  replies.wordCount = "DAT 5\n";
  replies.block = Block({10, 20, 30, 40, 50});
  ASSERT_EQ(AcquireAnswering(replies), 1);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][1], 30 * kScaleA);
  EXPECT_DOUBLE_EQ(arrays.arrays[2][1], 40 * kScaleB);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(arrays.arrays[i][2], arrays.marker) << i;
}

TEST_F(PhilipsDriverTest, ShortBlockConvertsOnlyTheWordsThatArrived) {
  Pm3323Replies replies;
  replies.wordCount = "DAT 4\n";
  replies.block = Block({10, 20, 30});
  ASSERT_EQ(AcquireAnswering(replies), 1);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][2], 30 * kScaleA);
  EXPECT_EQ(arrays.arrays[0][3], arrays.marker);
  EXPECT_EQ(arrays.arrays[1][3], arrays.marker);
}

TEST_F(PhilipsDriverTest, ABlockCountBeyondTheRequestIsHeldToIt) {
  AddPm3323(bus);
  QueueReplies(bus, Pm3323Replies{}.InOrder());
  gpibsim_force_count("ibrd", kBlock + 1, 60000);
  ASSERT_EQ(Acquire(), 1);
  EXPECT_NE(arrays.arrays[1][3], arrays.marker);
  EXPECT_EQ(arrays.arrays[0][4], arrays.marker);
  EXPECT_EQ(arrays.arrays[1][4], arrays.marker);
}

// A host that provided fewer arrays than the instrument now fills: nothing is written through
// a null pointer, and the arrays it did provide are still filled.
class PhilipsNullArray : public PhilipsDriverTest, public ::testing::WithParamInterface<int> {};

TEST_P(PhilipsNullArray, IsSkipped) {
  const int missing = GetParam();
  arrays.buffers.arrays[missing] = nullptr;
  Pm3323Replies replies;
  replies.functionB = "FCN ON\n";
  replies.block = Block({10, 20, 30, 40});
  ASSERT_EQ(AcquireAnswering(replies), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(arrays.Untouched(i), i == missing) << i;
}

INSTANTIATE_TEST_SUITE_P(Index, PhilipsNullArray, ::testing::Values(0, 1, 2));

// --- Probe table ----------------------------------------------------------------------------

struct ProbeRow {
  const char* reply;
  double factor;
};

class PhilipsProbeTable : public PhilipsDriverTest,
                          public ::testing::WithParamInterface<ProbeRow> {};

TEST_P(PhilipsProbeTable, ScalesChannelA) {
  Pm3323Replies replies;
  replies.probeA = GetParam().reply;
  replies.wordCount = "DAT 2\n";
  replies.block = Block({127, -128});
  ASSERT_EQ(AcquireAnswering(replies), 1);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][0], 127 * (GetParam().factor * 0.5 * 0.009765625));
  EXPECT_DOUBLE_EQ(arrays.arrays[1][1], -128 * (GetParam().factor * 0.5 * 0.009765625));
  EXPECT_DOUBLE_EQ(arrays.arrays[0][1], kTim * 0.0025) << "the time axis is written regardless";
}

INSTANTIATE_TEST_SUITE_P(
    Names, PhilipsProbeTable,
    ::testing::Values(ProbeRow{"PRO UNKNOWN\n", 1.0}, ProbeRow{"PRO CURRENT\n", 1.0},
                      ProbeRow{"PRO LOW_1:100\n", 100.0}, ProbeRow{"PRO LOW_1:10\n", 10.0},
                      ProbeRow{"PRO HIGH_1:10\n", 1000.0}, ProbeRow{"PRO HIGH_1:100\n", 1000.0},
                      ProbeRow{"PRO HV_ISOLATION\n", 0.0},
                      // The first name of the table found anywhere decides, not the first in
                      // the reply.
                      ProbeRow{"PRO LOW_1:10,CURRENT\n", 1.0},
                      // No name: the number at offset 3, or 0 without one.
                      ProbeRow{"PRO 2.5\n", 2.5}, ProbeRow{"PRO X10\n", 0.0},
                      ProbeRow{"PRO\n", 0.0},
                      // Names are looked for only from offset 3 on.
                      ProbeRow{"LOW_1:100\n", 0.0}));

}  // namespace
