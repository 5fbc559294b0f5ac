// The bus scan against scripted listeners: who is asked, what matches, what the user chooses,
// and how each failure is told.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gpibscope/host.h"
#include "gpibsim/gpibsim.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"
#include "ni488/ni488.h"
#include "support/case_name.h"
#include "support/module_harness.h"
#include "support/scripted_console.h"

namespace {

using namespace testing_support;

constexpr const char* kTektronix = "TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3\n";
constexpr const char* kMultimeter = "FLUKE,45,0,1.6 D1.0\n";

class TektronixScan : public ::testing::Test {
 protected:
  void AddListener(int32_t pad, std::string identification) {
    bus.AddScripted(pad);
    if (!identification.empty()) bus.Reply(pad, "*IDN?\n", identification);
  }
  int Scan() { return TektronixScanner("TEKTRONIX", &address); }
  // The addresses asked for their identification, in order.
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const auto& call : bus.CallsOf("Send")) {
      const size_t at = call.arguments.find("address=") + 8;
      asked.push_back(call.arguments.substr(at, call.arguments.find(',', at) - at));
    }
    return asked;
  }

  SimBus bus;
  ModuleHost host;
  BoundGpib gpib;
  int16_t address = 1234;
};

TEST_F(TektronixScan, TakesTheOneMatchWithoutAChooser) {
  AddListener(3, kMultimeter);
  AddListener(12, kTektronix);
  ScriptedKeys keys({"\r"});

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, 12);
  EXPECT_EQ(keys.opened, 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Asked(), (std::vector<std::string>{"3", "12"}));
}

TEST_F(TektronixScan, OffersSeveralMatchesInBusOrderAndTakesTheConfirmedLine) {
  for (const int32_t pad : {4, 9, 17}) AddListener(pad, kTektronix);
  AddListener(6, kMultimeter);
  ScriptedKeys keys({"\x1b[B", "\r"});

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, 9);
  ASSERT_EQ(keys.opened, 1);
  std::string shown;
  for (const std::string& line : keys.screens.front()) shown += line + "\n";
  const size_t first = shown.find("> 1 TEKTRONIX-[DEV4]");
  const size_t second = shown.find("  2 TEKTRONIX-[DEV9]");
  EXPECT_NE(first, std::string::npos) << shown;
  EXPECT_LT(first, second);
  EXPECT_LT(second, shown.find("  3 TEKTRONIX-[DEV17]"));
}

// Cancel, or no terminal to show the chooser on: success with address -1.
class ChooserNotConfirmed : public TektronixScan, public ::testing::WithParamInterface<bool> {};

TEST_P(ChooserNotConfirmed, GivesMinusOneAndSuccess) {
  AddListener(4, kTektronix);
  AddListener(9, kTektronix);
  ScriptedKeys keys({"\x1b"});
  std::optional<NoConsole> noConsole;
  if (GetParam()) noConsole.emplace();

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, -1);
  EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(CancelOrNoTerminal, ChooserNotConfirmed, ::testing::Bool());

TEST_F(TektronixScan, NoMatchingListenerIsReportedWithTheSearchText) {
  AddListener(3, kMultimeter);
  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Did not find the TEKTRONIX !"});
}

TEST_F(TektronixScan, AddressZeroIsNeverPolled) {
  Scan();
  std::string expected = "addresses=[1";
  for (int pad = 2; pad <= 30; ++pad) expected += "," + std::to_string(pad);
  const auto polls = bus.CallsOf("FindLstn");
  ASSERT_EQ(polls.size(), 1u);
  EXPECT_NE(polls[0].arguments.find(expected + "], limit=31"), std::string::npos);
}

// A listener that never answers ends the whole scan, wherever it stands in the list, and no
// listener after it is asked.
class MuteListener : public TektronixScan, public ::testing::WithParamInterface<int32_t> {};

TEST_P(MuteListener, EndsTheScanWithReceiveError) {
  AddListener(10, kTektronix);
  AddListener(20, kTektronix);
  AddListener(GetParam(), "");

  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Receive error !"});
  EXPECT_EQ(Asked().back(), std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AnywhereInTheList, MuteListener, ::testing::Values(5, 15, 25));

// The reply is cut before the last byte received, then compared over nine characters.
struct ReplyCase {
  const char* name;
  std::string reply;
  int32_t forcedCount;  // what the library claims arrived; -1: the truth
  bool matches;
};

class IdentificationReply : public TektronixScan,
                            public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(IdentificationReply, MatchesOnlyTheMakersName) {
  AddListener(7, GetParam().reply);
  if (GetParam().forcedCount >= 0) gpibsim_force_count("Receive", 1, GetParam().forcedCount);
  EXPECT_EQ(Scan(), GetParam().matches ? 1 : 0);
  EXPECT_EQ(address, GetParam().matches ? 7 : 1234);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentificationReply,
    ::testing::Values(ReplyCase{"NameAndComma", "TEKTRONIX,TDS 540,0\n", -1, true},
                      ReplyCase{"NameAndLineFeed", "TEKTRONIX\n", -1, true},
                      ReplyCase{"NameAloneEndedByEoi", "TEKTRONIX", -1, false},
                      ReplyCase{"LowerCase", "tektronix,TDS 540\n", -1, false},
                      ReplyCase{"NulInsideTheName", std::string("TEKTR\0NIX,\n", 11), -1, false},
                      ReplyCase{"ZeroBytes", kTektronix, 0, false},
                      ReplyCase{"CountAboveTheLimit", kTektronix, 5000, true}),
    kCaseName);

// ibcntl after FindLstn is a 16-bit count, kept within the 31-entry result list.
struct CountCase {
  const char* name;
  int32_t forced;
  size_t asked;
};

class ListenerCount : public TektronixScan, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ListenerCount, NeverReadsPastTheResultList) {
  AddListener(2, kTektronix);
  gpibsim_force_count("FindLstn", 1, GetParam().forced);
  Scan();
  EXPECT_EQ(Asked().size(), GetParam().asked);
}

// Past the one real listener the list holds address 0, which nothing answers.
INSTANTIATE_TEST_SUITE_P(Counts, ListenerCount,
                         ::testing::Values(CountCase{"Negative", -3, 0},
                                           CountCase{"LowSixteenBits", 65537, 1},
                                           CountCase{"AboveTheList", 40, 2}),
                         kCaseName);

struct FailureCase {
  const char* name;
  const char* function;
  int32_t nth;
  const char* message;
};

class ScanFailure : public TektronixScan, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ScanFailure, IsReportedOnceAndEndsTheScan) {
  AddListener(4, kTektronix);
  AddListener(9, kTektronix);
  ScriptedKeys keys({"\r"});
  gpibsim_fail_call(GetParam().function, GetParam().nth, EBUS);

  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{GetParam().message});
  EXPECT_EQ(keys.opened, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ScanFailure,
    ::testing::Values(FailureCase{"SendIFC", "SendIFC", 1, "Send IFC !"},
                      FailureCase{"FindLstn", "FindLstn", 1, "Can not find listeners !"},
                      FailureCase{"SecondSend", "Send", 2, "Send error !"},
                      FailureCase{"SecondReceive", "Receive", 2, "Receive error !"}),
    kCaseName);

// A cancelled chooser is the user's decision: GetData acquires nothing and says nothing.
TEST_F(TektronixScan, GetDataAfterACancelledChooserAcquiresNothing) {
  AddListener(4, kTektronix);
  AddListener(9, kTektronix);
  ScriptedKeys keys({"\x1b"});
  HostArrays arrays(20000);
  int32_t points = -7;
  int16_t channels = 5;

  EXPECT_EQ(
      GetData(2, &arrays.buffers, &points, &channels, host.Window(), &RecordingHost::Callback), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.positions, std::vector<intptr_t>{0});
  EXPECT_EQ(bus.Written(), (std::vector<std::string>{"*IDN?\n", "*IDN?\n"}));
  EXPECT_TRUE(bus.CallsOf("DevClear").empty());
  EXPECT_EQ(points, -7);
  EXPECT_TRUE(arrays.Untouched(0));
}

}  // namespace
