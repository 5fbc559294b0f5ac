// The bus scan against scripted listeners: who is asked, what matches, what the user chooses,
// and how each failure is told.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "case_name.h"
#include "gpib/ni488.h"
#include "gpibscope/host.h"
#include "gpibsim/gpibsim.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"
#include "scripted_console.h"
#include "support/module_harness.h"

namespace {

using testing_support::BoundGpib;
using testing_support::HostArrays;
using testing_support::NoConsole;
using testing_support::RecordingHost;
using testing_support::ScriptedKeys;
using testing_support::SimBus;

constexpr std::string_view kTektronixIdentity = "TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3\n";
constexpr std::string_view kMultimeterIdentity = "FLUKE,45,0,1.6 D1.0\n";
constexpr std::string_view kIdentify = "*IDN?\n";

class TektronixScan : public ::testing::Test {
 protected:
  void AddListener(int32_t pad, std::string_view identification) {
    bus.AddScripted(pad);
    bus.Reply(pad, kIdentify, identification);
  }
  void AddMuteListener(int32_t pad) { bus.AddScripted(pad); }
  int Scan() { return TektronixScanner("TEKTRONIX", &address); }
  // The addresses asked for their identification, in order.
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const auto& call : bus.CallsOf("Send")) {
      const size_t at = call.arguments.find("address=");
      asked.push_back(call.arguments.substr(at + 8, call.arguments.find(',', at) - at - 8));
    }
    return asked;
  }

  SimBus bus;
  RecordingHost host;
  BoundGpib gpib;
  int16_t address = 1234;
};

TEST_F(TektronixScan, TakesTheOneMatchWithoutAChooser) {
  AddListener(3, kMultimeterIdentity);
  AddListener(12, kTektronixIdentity);
  ScriptedKeys keys({"\r"});

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, 12);
  EXPECT_EQ(keys.opened, 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Asked(), (std::vector<std::string>{"3", "12"}));
}

TEST_F(TektronixScan, OffersSeveralMatchesInBusOrderAndTakesTheConfirmedLine) {
  for (const int32_t pad : {4, 9, 17}) AddListener(pad, kTektronixIdentity);
  AddListener(6, kMultimeterIdentity);
  ScriptedKeys keys({"\x1b[B", "\r"});

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, 9);
  ASSERT_EQ(keys.opened, 1);
  const std::vector<std::string>& first = keys.screens.front();
  const auto lineOf = [&first](std::string_view text) {
    for (size_t i = 0; i < first.size(); ++i)
      if (first[i].find(text) != std::string::npos) return static_cast<int>(i);
    return -1;
  };
  EXPECT_GE(lineOf("> 1 TEKTRONIX-[DEV4]"), 0);
  EXPECT_GT(lineOf("  2 TEKTRONIX-[DEV9]"), lineOf("> 1 TEKTRONIX-[DEV4]"));
  EXPECT_GT(lineOf("  3 TEKTRONIX-[DEV17]"), lineOf("  2 TEKTRONIX-[DEV9]"));
  EXPECT_EQ(lineOf("DEV6"), -1);
}

TEST_F(TektronixScan, CancelInTheChooserGivesMinusOneAndSuccess) {
  AddListener(4, kTektronixIdentity);
  AddListener(9, kTektronixIdentity);
  ScriptedKeys keys({"\x1b"});

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, -1);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(TektronixScan, WithoutATerminalTheChooserEndsAsCancelled) {
  AddListener(4, kTektronixIdentity);
  AddListener(9, kTektronixIdentity);
  NoConsole noConsole;

  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, -1);
}

TEST_F(TektronixScan, NoMatchingListenerIsReportedWithTheSearchText) {
  AddListener(3, kMultimeterIdentity);
  AddListener(8, "tektronix,tds 540,0\n");  // the comparison is case-sensitive

  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Did not find the TEKTRONIX !"});
}

TEST_F(TektronixScan, AnEmptyBusFindsNothing) {
  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Did not find the TEKTRONIX !"});
  EXPECT_TRUE(bus.CallsOf("Send").empty());
}

TEST_F(TektronixScan, AddressZeroIsNeverPolled) {
  AddListener(1, kTektronixIdentity);
  Scan();
  const auto polls = bus.CallsOf("FindLstn");
  ASSERT_EQ(polls.size(), 1u);
  std::string expected = "addresses=[1";
  for (int pad = 2; pad <= 30; ++pad) expected += "," + std::to_string(pad);
  expected += "], limit=31";
  EXPECT_NE(polls[0].arguments.find(expected), std::string::npos) << polls[0].arguments;
}

// A listener that never answers ends the whole scan, wherever it stands in the list.
class MuteListener : public TektronixScan, public ::testing::WithParamInterface<int32_t> {};

TEST_P(MuteListener, EndsTheScanWithReceiveError) {
  AddListener(10, kTektronixIdentity);
  AddListener(20, kTektronixIdentity);
  AddMuteListener(GetParam());

  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Receive error !"});
  // No listener after the mute one is asked.
  EXPECT_EQ(Asked().back(), std::to_string(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(AnywhereInTheList, MuteListener, ::testing::Values(5, 15, 25));

struct ReplyCase {
  const char* name;
  std::string reply;
  bool matches;
};

class IdentificationReply : public TektronixScan,
                            public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(IdentificationReply, MatchesOnlyTheMakersNameBeforeTheLastByteRead) {
  AddListener(7, GetParam().reply);
  EXPECT_EQ(Scan(), GetParam().matches ? 1 : 0);
  if (GetParam().matches) {
    EXPECT_EQ(address, 7);
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, IdentificationReply,
                         ::testing::Values(ReplyCase{"NameAndComma", "TEKTRONIX,TDS 540,0\n", true},
                                           ReplyCase{"NameAndLineFeed", "TEKTRONIX\n", true},
                                           ReplyCase{"NameAloneEndedByEoi", "TEKTRONIX", false},
                                           ReplyCase{"LowerCase", "tektronix,TDS 540\n", false},
                                           ReplyCase{"OtherMaker", "FLUKE,45,0\n", false},
                                           ReplyCase{"NulInsideTheName",
                                                     std::string("TEKTR\0NIX,\n", 11), false}),
                         testing_support::CaseName());

TEST_F(TektronixScan, AZeroByteReplyIsEmptyTextAndDoesNotMatch) {
  AddListener(7, kTektronixIdentity);
  gpibsim_force_count("Receive", 1, 0);
  EXPECT_EQ(Scan(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Did not find the TEKTRONIX !"});
}

TEST_F(TektronixScan, AReplyCountAboveTheReadLimitIsCutAtTheLimit) {
  AddListener(7, kTektronixIdentity);
  gpibsim_force_count("Receive", 1, 5000);
  EXPECT_EQ(Scan(), 1);
  EXPECT_EQ(address, 7);
}

// ibcntl after FindLstn, as a 16-bit count kept within the 31-entry result list.
struct ListenerCountCase {
  const char* name;
  int32_t forced;
  size_t asked;
};

class ListenerCount : public TektronixScan,
                      public ::testing::WithParamInterface<ListenerCountCase> {};

TEST_P(ListenerCount, NeverReadsPastTheResultList) {
  AddListener(2, kTektronixIdentity);
  gpibsim_force_count("FindLstn", 1, GetParam().forced);
  Scan();
  EXPECT_EQ(Asked().size(), GetParam().asked);
}

INSTANTIATE_TEST_SUITE_P(Counts, ListenerCount,
                         ::testing::Values(ListenerCountCase{"Negative", -3, 0},
                                           ListenerCountCase{"LowSixteenBits", 65537, 1},
                                           // Past the one real listener the list holds
                                           // address 0, which no device answers.
                                           ListenerCountCase{"AboveTheList", 40, 2}),
                         testing_support::CaseName());

struct FailureCase {
  const char* name;
  const char* function;
  int32_t nth;
  const char* message;
};

class ScanFailure : public TektronixScan, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ScanFailure, IsReportedOnceAndEndsTheScan) {
  AddListener(4, kTektronixIdentity);
  AddListener(9, kTektronixIdentity);
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
                      FailureCase{"FirstSend", "Send", 1, "Send error !"},
                      FailureCase{"SecondSend", "Send", 2, "Send error !"},
                      FailureCase{"SecondReceive", "Receive", 2, "Receive error !"}),
    testing_support::CaseName());

// A cancelled chooser is the user's decision: GetData acquires nothing and says nothing.
TEST(TektronixGetData, CancelledChooserEndsWithoutAcquisition) {
  SimBus bus;
  RecordingHost host;
  bus.AddScripted(4);
  bus.Reply(4, kIdentify, kTektronixIdentity);
  bus.AddScripted(9);
  bus.Reply(9, kIdentify, kTektronixIdentity);
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
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(arrays.Untouched(i));
}

}  // namespace
