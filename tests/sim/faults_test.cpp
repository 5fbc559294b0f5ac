// Planned faults and forced counts, and the transcript that shows what happened.
#include "sim_test_support.h"

namespace {

using simtest::Failed;
using simtest::OpenScripted;
using simtest::Queue;
using simtest::Read;
using simtest::Script;
using simtest::Write;

class Faults : public simtest::EmptyBus {
 protected:
  void SetUp() override {
    EmptyBus::SetUp();
    ud_ = OpenScripted(1, "DEV1");
    ASSERT_GE(ud_, 1);
  }
  int32_t ud_ = -1;
};

TEST_F(Faults, NthReadFailsWithoutTakingTheReply) {
  Queue(1, "FIRST");
  Queue(1, "SECOND");
  gpibsim_fail_call("ibrd", 2, EABO);

  EXPECT_EQ(Read(ud_, 100), "FIRST");
  char buffer[100];
  EXPECT_EQ(ibrd(ud_, buffer, sizeof buffer) & (ERR | TIMO), ERR | TIMO);
  EXPECT_EQ(user_iberr, EABO);
  EXPECT_EQ(user_ibcnt, 0);
  EXPECT_EQ(Read(ud_, 100), "SECOND");
}

TEST_F(Faults, CallsBeforeThePlanDoNotCount) {
  Queue(1, "A");
  Read(ud_, 10);
  gpibsim_fail_call("ibrd", 1, EBUS);
  Queue(1, "B");
  Read(ud_, 10);
  EXPECT_TRUE(Failed());
  EXPECT_EQ(user_iberr, EBUS);
  EXPECT_EQ(user_ibsta & TIMO, 0);
}

TEST_F(Faults, FailedWriteReachesNoDevice) {
  Script(1, "ID?\n", "HAMEG\n");
  gpibsim_fail_call("ibwrt", 1, ENOL);
  Write(ud_, "ID?\n");
  EXPECT_EQ(user_iberr, ENOL);
  EXPECT_EQ(user_ibcntl, 0);
  EXPECT_EQ(gpibsim_device_remote(1), 0);
  Read(ud_, 10);
  EXPECT_EQ(user_ibsta & TIMO, TIMO);  // nothing was asked, so nothing is said
}

TEST_F(Faults, FailedFindGivesMinusOneOnce) {
  gpibsim_fail_call("ibfindA", 1, EDVR);
  EXPECT_EQ(ibfindA("DEV1"), -1);
  EXPECT_TRUE(Failed());
  EXPECT_GE(ibfindA("DEV1"), 1);
}

TEST_F(Faults, BoardLevelCallsFailByTheirOwnName) {
  gpibsim_add_scripted(4, nullptr);
  Script(4, "*IDN?\n", "X\n");
  gpibsim_fail_call("Send", 1, EABO);
  Send(0, MakeAddr(4, 0), "*IDN?", 5, NLend);
  EXPECT_EQ(user_ibsta & (ERR | TIMO), ERR | TIMO);
  EXPECT_EQ(simtest::ReceiveFrom(4, 10), "");  // the device heard nothing
}

TEST_F(Faults, ForcedCountIsReportedWhateverItIs) {
  for (int32_t lie : {-5, 0, 3, 1 << 30, INT32_MIN}) {
    Queue(1, "REPLY");
    gpibsim_force_count("ibrd", 1, lie);
    char buffer[16] = {};
    ibrd(ud_, buffer, sizeof buffer);
    EXPECT_FALSE(Failed());
    EXPECT_EQ(user_ibcnt, lie);
    EXPECT_EQ(user_ibcntl, lie);
    EXPECT_STREQ(buffer, "REPLY");  // the bytes themselves still arrive
  }
}

TEST_F(Faults, LoadingABenchOrClearingTheBusCancelsThePlan) {
  gpibsim_fail_call("ibfindA", 1, EDVR);
  gpibsim_clear_bus();
  gpibsim_add_scripted(1, "DEV1");
  EXPECT_GE(ibfindA("DEV1"), 1);
}

using Transcript = simtest::EmptyBus;

TEST_F(Transcript, RecordsEachCallWithArgumentsStatusAndBytes) {
  gpibsim_add_scripted(2, "DEV2");
  Script(2, "STA\n", "OK\n");
  const int32_t ud = ibfindA("DEV2");
  Write(ud, "STA\n");
  Read(ud, 2);

  ASSERT_EQ(gpibsim_call_count(), 3);
  gpibsim_call calls[3];
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(gpibsim_get_call(i, &calls[i]), 0);
  EXPECT_EQ(calls[0].number, 1);
  EXPECT_STREQ(calls[0].function, "ibfindA");
  EXPECT_STREQ(calls[0].arguments, "name=\"DEV2\"");
  EXPECT_STREQ(calls[1].function, "ibwrt");
  EXPECT_STREQ(calls[1].arguments, "ud=1, count=4");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(calls[1].data), 4), "STA\n");
  EXPECT_EQ(calls[2].ibsta, CMPL);  // two of three bytes: no END yet
  EXPECT_EQ(calls[2].ibcntl, 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(calls[2].data), 2), "OK");
  EXPECT_EQ(gpibsim_get_call(3, &calls[0]), -1);
  EXPECT_EQ(gpibsim_get_call(-1, &calls[0]), -1);

  gpibsim_clear_transcript();
  EXPECT_EQ(gpibsim_call_count(), 0);
  ibonl(ud, 0);
  EXPECT_EQ(simtest::LastCall().number, 1);
}

TEST_F(Transcript, KeepsOnlyTheLatestCalls) {
  constexpr int32_t kKept = 100000;
  for (int32_t i = 0; i < kKept + 5; ++i) ibtmo(1, T10s);
  EXPECT_EQ(gpibsim_call_count(), kKept);
  gpibsim_call first{};
  gpibsim_get_call(0, &first);
  EXPECT_EQ(first.number, 6);
}

}  // namespace
