// The simulated TDS540 on its own, spoken to with board-level calls: what it answers, in which
// form, and the state the bus can see.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "gpibsim/gpibsim.h"
#include "support/module_harness.h"

namespace {

using namespace std::string_literals;
using testing_support::BoundGpib;
using testing_support::SimBus;

constexpr Addr4882_t kScope = 5;

class Tds540Model : public ::testing::Test {
 protected:
  Tds540Model() {
    bus.LoadBench(R"(
[[device]]
model = "tds540"
address = 5
time_per_div = 0.2e-3
record_length = 2500
[device.ch1]
volts_per_div = 0.1
offset = 0.05
[device.ch1.signal]
shape = "dc"
amplitude = 0.25
[device.ch3]
volts_per_div = 0.1
[device.ch3.signal]
shape = "dc"
amplitude = 10.0
)");
  }

  void Write(const std::string& message) { ASSERT_TRUE(SendToAddress(kScope, message)); }
  // The whole reply, or nothing when the instrument does not answer.
  std::optional<std::string> Reply() {
    std::string reply(200000, '\0');
    const auto count = ReceiveFromAddress(kScope, reply.data(), static_cast<int32_t>(reply.size()));
    if (!count) return std::nullopt;
    reply.resize(static_cast<size_t>(*count));
    return reply;
  }
  std::optional<std::string> Ask(const std::string& query) {
    Write(query);
    return Reply();
  }

  SimBus bus;
  BoundGpib gpib;
};

TEST_F(Tds540Model, IdentifiesItself) {
  const auto identity = Ask("*IDN?");
  ASSERT_TRUE(identity);
  EXPECT_TRUE(identity->starts_with("TEKTRONIX,TDS 540,")) << *identity;
  EXPECT_TRUE(identity->ends_with("\n"));
}

TEST_F(Tds540Model, AnswersWithOrWithoutHeadersAsCommanded) {
  EXPECT_EQ(Ask("SELECT?"), "1;0;1;0;0;0;0;0;0;0;0;CH1\n");
  Write("HEADER ON");
  const auto withHeader = Ask("SELECT?");
  ASSERT_TRUE(withHeader);
  EXPECT_TRUE(withHeader->starts_with(":SELECT ")) << *withHeader;
  EXPECT_EQ(Ask("HOR:RECO?"), ":HORIZONTAL:RECORDLENGTH 2500\n");
  Write("HEADER OFF\0"s);  // the module sends its terminating zero too
  EXPECT_EQ(Ask("HOR:RECO?"), "2500\n");
}

TEST_F(Tds540Model, ReadsKeywordsInShortOrLongFormAndAnyCase) {
  EXPECT_EQ(Ask("HOR:MAI:SCA?\0"s), "2.000E-04\n");
  EXPECT_EQ(Ask(":horizontal:main:scale?"), "2.000E-04\n");
  EXPECT_EQ(Ask("CH1:VOL?\0"s), "1.000E-01\n");
  EXPECT_EQ(Ask("CH1:OFFSET?"), "5.000E-02\n");
  EXPECT_EQ(Ask("HO:RECO?"), std::nullopt);  // shorter than the short form: not understood
}

// Samples are (volts - offset) / volts per division * 6400, limited to 16 bits.
TEST_F(Tds540Model, SendsTheCurveAsADefiniteLengthBlock) {
  Write("DAT:SOURCE CH1;:DAT:WID 2;:DAT:ENC SRIBinary;:DAT:START 1\0"s);
  Write(":DATA:STOP 3\0"s);
  EXPECT_EQ(Ask("CURV?\0"s), "#16\x00\x32\x00\x32\x00\x32\n"s);  // 12800 = 0x3200

  Write("DATA:SOURCE CH3;STOP 2");  // ";" continues in DATA
  EXPECT_EQ(Ask("CURV?"), "#14\xff\x7f\xff\x7f\n"s);

  Write("DAT:ENC RIB;WID 1;SOU CH1;STAR 2;STOP 2");
  EXPECT_EQ(Ask("CURVE?"), "#11\x32\n"s);  // 50 counts of 25 per division
}

TEST_F(Tds540Model, SendsUpToFiftyThousandPoints) {
  bus.LoadBench(R"(
[[device]]
model = "tds540"
address = 5
record_length = 50000
[device.ch2]
)");
  Write("DAT:SOURCE CH2;:DAT:WID 2;:DAT:START 1;:DAT:STOP 60000");
  const auto curve = Ask("CURV?");
  ASSERT_TRUE(curve);
  EXPECT_EQ(curve->substr(0, 8), "#6100000");
  EXPECT_EQ(curve->size(), 8u + 100000u + 1u);
}

TEST_F(Tds540Model, AChannelThatIsOffHasNoCurve) {
  Write("DAT:SOURCE CH2");
  EXPECT_EQ(Ask("CURV?"), std::nullopt);
}

TEST_F(Tds540Model, ANewMessageOrADeviceClearDropsAnUnreadReply) {
  Write("*IDN?");
  std::string start(10, '\0');
  ASSERT_TRUE(ReceiveFromAddress(kScope, start.data(), 10));
  EXPECT_EQ(Ask("HOR:RECO?"), "2500\n");

  Write("*IDN?");
  Gpib.DevClear(0, kScope);
  EXPECT_EQ(Reply(), std::nullopt);
}

TEST_F(Tds540Model, LocksAndUnlocksItsFrontPanel) {
  Write("LOCK ALL");
  EXPECT_EQ(gpibsim_device_locked(5), 1);
  Write("UNLOCK ALL");
  EXPECT_EQ(gpibsim_device_locked(5), 0);
  Write("LOCK ALL");
  Write("LOCK NONE");
  EXPECT_EQ(gpibsim_device_locked(5), 0);
}

TEST(Tds540Bench, RejectsARecordLongerThanTheInstrumentHolds) {
  SimBus bus;
  EXPECT_THROW(
      bus.LoadBench("[[device]]\nmodel = \"tds540\"\naddress = 5\nrecord_length = 50001\n"),
      std::runtime_error);
}

}  // namespace
