// The instrument models on the default bench as a long-lived host meets them: a reply left
// unread (a bus scan reads only the start of "*IDN?") never answers the next question.
#include <string>

#include "sim_test_support.h"

namespace {

using simtest::Failed;
using simtest::ReceiveFrom;

struct Instrument {
  const char* name;
  int32_t pad;
  const char* identify;  // the model's own identification query
  const char* answer;    // the start of its reply
};

class UnreadReply : public testing::TestWithParam<Instrument> {
 protected:
  void SetUp() override { ASSERT_EQ(gpibsim_load_default_bench(), 0) << gpibsim_last_error(); }
  void TearDown() override { gpibsim_clear_bus(); }
  static void SendTo(int32_t pad, const std::string& text) {
    Send(0, MakeAddr(pad, 0), text.data(), static_cast<int32_t>(text.size()), NLend);
    ASSERT_FALSE(Failed()) << text;
  }
};

TEST_P(UnreadReply, IsDiscardedByTheNextMessage) {
  const Instrument& instrument = GetParam();
  SendTo(instrument.pad, "*IDN?");
  ASSERT_EQ(ReceiveFrom(MakeAddr(instrument.pad, 0), 10).size(), 10u);
  SendTo(instrument.pad, instrument.identify);
  EXPECT_EQ(ReceiveFrom(MakeAddr(instrument.pad, 0), 64).rfind(instrument.answer, 0), 0u);
  // Nothing more is held: the next read finds the device silent.
  ReceiveFrom(MakeAddr(instrument.pad, 0), 64);
  EXPECT_EQ(user_iberr, EABO);
}

INSTANTIATE_TEST_SUITE_P(DefaultBench, UnreadReply,
                         testing::Values(Instrument{"hm408", 1, "ID?", "HAMEG HM408"},
                                         Instrument{"pm3323", 8, "IDT ?", "IDT PHILIPS PM3323"},
                                         Instrument{"tds540", 5, "*IDN?", "TEKTRONIX,TDS 540"},
                                         Instrument{"multimeter", 12, "*IDN?", "FLUKE,45"}),
                         [](const testing::TestParamInfo<Instrument>& sequence) {
                           return std::string(sequence.param.name);
                         });

using EventStatus = UnreadReply;

TEST_F(EventStatus, Tds540SetsQueryErrorForAnInterruptedReplyUntilRead) {
  SendTo(5, "*IDN?");
  ReceiveFrom(5, 10);
  SendTo(5, "*ESR?");
  EXPECT_EQ(ReceiveFrom(5, 16), "4\n");
  SendTo(5, "*ESR?");
  EXPECT_EQ(ReceiveFrom(5, 16), "0\n");
}

}  // namespace
