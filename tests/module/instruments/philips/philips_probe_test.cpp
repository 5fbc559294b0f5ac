// The PM3323 channel probe, and the two exports that reach the instrument for device type 3.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "gpibscope/host.h"
#include "instruments/philips/philips_driver.h"
#include "pm3323_script.h"

namespace {

using namespace pm3323_test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kIdentification = "IDT PHILIPS PM3323/40 V3.2\n";

// The probe's replies in the order it reads them: two identifications, A's and B's function.
std::vector<std::string> ProbeReplies(const char* functionA, const char* functionB) {
  return {kIdentification, kIdentification, functionA, functionB};
}

class PhilipsProbeTest : public ::testing::Test {
 protected:
  SimBus bus;
  BoundGpib gpib;
  ModuleHost host;
};

TEST_F(PhilipsProbeTest, IdentifiesTwiceThenAsksBothChannels) {
  AddPm3323(bus);
  QueueReplies(bus, ProbeReplies("FCN ON\n", "FCN ON\n"));
  bool both = false;
  ASSERT_EQ(PhilipsChannelProbe("DEV8", &both), 1);
  EXPECT_TRUE(both);

  std::vector<std::string> calls;
  for (const auto& call : bus.Calls()) calls.push_back(call.function + " " + call.data);
  EXPECT_THAT(
      calls, ElementsAre("ibfindA ", "ibonl ", "ibtmo ", "ibwrt IDT ?\n", "ibrd " + kIdentification,
                         "ibonl ", "ibtmo ", "ibwrt IDT ?\n", "ibrd " + kIdentification,
                         "ibwrt VER A\n", "ibwrt FCN ?\n", "ibrd FCN ON\n", "ibwrt VER B\n",
                         "ibwrt FCN ?\n", "ibrd FCN ON\n", "ibloc ", "ibonl "));
  EXPECT_EQ(ObservedClosing(bus), Closing::kReleased);
  EXPECT_EQ(host.steps, 0);
}

struct ChannelsRow {
  const char* functionA;
  const char* functionB;
  bool both;
};

class PhilipsProbeChannels : public PhilipsProbeTest,
                             public ::testing::WithParamInterface<ChannelsRow> {};

TEST_P(PhilipsProbeChannels, TellsWhetherBothAreOn) {
  AddPm3323(bus);
  QueueReplies(bus, ProbeReplies(GetParam().functionA, GetParam().functionB));
  bool both = !GetParam().both;
  ASSERT_EQ(PhilipsChannelProbe("DEV8", &both), 1);
  EXPECT_EQ(both, GetParam().both);
}

INSTANTIATE_TEST_SUITE_P(Functions, PhilipsProbeChannels,
                         ::testing::Values(ChannelsRow{"FCN ON\n", "FCN ON\n", true},
                                           ChannelsRow{"FCN ON\n", "FCN OFF\n", false},
                                           ChannelsRow{"FCN OFF\n", "FCN ON\n", false},
                                           ChannelsRow{"FCN OFF\n", "FCN OFF\n", false}));

struct ProbeFailureRow {
  const char* name;
  std::vector<std::string> replies;  // all the instrument answers
  const char* message;               // nullptr: silent
  Closing closing;
};

class PhilipsProbeFailure : public PhilipsProbeTest,
                            public ::testing::WithParamInterface<ProbeFailureRow> {};

TEST_P(PhilipsProbeFailure, FailsWithoutAnswering) {
  const ProbeFailureRow& row = GetParam();
  if (row.closing != Closing::kNone) AddPm3323(bus);
  QueueReplies(bus, row.replies);
  bool both = true;
  EXPECT_EQ(PhilipsChannelProbe("DEV8", &both), 0);
  EXPECT_TRUE(both) << "not written on failure";
  if (row.message != nullptr) {
    EXPECT_THAT(host.messages, ElementsAre(row.message));
  } else {
    EXPECT_THAT(host.messages, IsEmpty());
  }
  EXPECT_EQ(ObservedClosing(bus), row.closing) << "closing was " << ToString(ObservedClosing(bus));
  EXPECT_EQ(host.steps, 0);
}

const std::string kOtherModel = "IDT PHILIPS PM3384\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, PhilipsProbeFailure,
    ::testing::Values(
        ProbeFailureRow{"NotConfigured", {}, "Cant open Philips at DEV8 !", Closing::kNone},
        ProbeFailureRow{"FirstIdentificationUnanswered", {}, "No Answer", Closing::kOffline},
        ProbeFailureRow{
            "SecondIdentificationUnanswered", {kIdentification}, "No Answer", Closing::kOffline},
        ProbeFailureRow{"FirstIdentificationAnotherModel",
                        {kOtherModel},
                        "Invalid device !",
                        Closing::kOffline},
        ProbeFailureRow{"SecondIdentificationAnotherModel",
                        {kIdentification, kOtherModel},
                        "Invalid device !",
                        Closing::kOffline},
        ProbeFailureRow{"FunctionAUnanswered",
                        {kIdentification, kIdentification},
                        nullptr,
                        Closing::kLeftOnline},
        ProbeFailureRow{"FunctionBUnanswered",
                        {kIdentification, kIdentification, "FCN ON\n"},
                        nullptr,
                        Closing::kLeftOnline}),
    RowName());

// --- The exports for device type 3 ----------------------------------------------------------

// The exports bind the library themselves; only the settle wait is made instant.
class PhilipsExportsTest : public ::testing::Test {
 protected:
  PhilipsExportsTest() { SetCalendarClock(&testing_support::SteppingClock); }
  ~PhilipsExportsTest() override { SetCalendarClock(nullptr); }

  SimBus bus;
  ModuleHost host;
  int32_t points = -7;
  int16_t channels = -7;
};

TEST_F(PhilipsExportsTest, TransPropertiesFollowTheChannelsOn) {
  struct Row {
    const char* functionB;
    int32_t points;
    int16_t channels;
  };
  for (const Row row : {Row{"FCN ON\n", 2048, 3}, Row{"FCN OFF\n", 4096, 2}}) {
    SimBus fresh;
    AddPm3323(fresh);
    QueueReplies(fresh, ProbeReplies("FCN ON\n", row.functionB));
    EXPECT_EQ(GetTransProperties(3, &points, &channels), 1);
    EXPECT_EQ(points, row.points);
    EXPECT_EQ(channels, row.channels);
    EXPECT_EQ(Gpib.library, nullptr) << "the library is released before the call returns";
  }
}

TEST_F(PhilipsExportsTest, FailedProbeLeavesTheCountsAndReleasesTheLibrary) {
  AddPm3323(bus);
  QueueReplies(bus, {kIdentification, kIdentification});
  EXPECT_EQ(GetTransProperties(3, &points, &channels), 0);
  EXPECT_EQ(points, -7);
  EXPECT_EQ(channels, -7);
  EXPECT_EQ(Gpib.library, nullptr);
}

TEST_F(PhilipsExportsTest, TransPropertiesReportToTheRecordedCallback) {
  EXPECT_EQ(GetTransProperties(3, &points, &channels), 0);
  EXPECT_THAT(host.messages, ElementsAre("Cant open Philips at DEV8 !"));
}

TEST_F(PhilipsExportsTest, GetDataLeavesTheCountsAloneOnSuccess) {
  Pm3323Replies replies;
  AddPm3323(bus);
  QueueReplies(bus, replies.InOrder());
  HostArrays arrays(8);
  EXPECT_EQ(GetData(3, &arrays.buffers, &points, &channels, host.Window(), &host.Callback), 1);
  EXPECT_EQ(points, -7);
  EXPECT_EQ(channels, -7);
  EXPECT_DOUBLE_EQ(arrays.arrays[1][3], 4 * 0.5 * 0.009765625);
  EXPECT_EQ(host.steps, 9);
  EXPECT_THAT(host.positions, IsEmpty());
}

TEST_F(PhilipsExportsTest, GetDataResetsTheProgressAfterTheDriversMessage) {
  AddPm3323(bus);
  QueueReplies(bus, {"IDT PHILIPS PM3384\n"});
  HostArrays arrays(8);
  EXPECT_EQ(GetData(3, &arrays.buffers, &points, &channels, host.Window(), &host.Callback), 0);
  EXPECT_THAT(host.messages, ElementsAre("Invalid device !"));
  EXPECT_THAT(host.positions, ElementsAre(0));
  EXPECT_EQ(host.stepsAtFirstSetPos, 2);
  EXPECT_EQ(points, -7);
  EXPECT_EQ(channels, -7);
}

}  // namespace
