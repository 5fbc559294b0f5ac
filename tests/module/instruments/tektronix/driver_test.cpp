// The TDS540 acquisition against a scripted instrument: the exact bytes on the bus, the flags,
// the host's array limits, the conversion, the curve reads, and every failure with its message
// and the unlock that follows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "gpibsim/gpibsim.h"
#include "instruments/tektronix/tds540_commands.h"
#include "instruments/tektronix/tektronix_driver.h"
#include "ni488/ni488.h"
#include "support/case_name.h"
#include "support/module_harness.h"

// The array forms of new and delete, replaced for this executable so that a test can make the
// read buffer's allocation fail as on a host out of memory.
namespace {
size_t failingAllocation = 0;  // the size whose next nothrow allocation gives null; 0: none
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  if (failingAllocation != 0 && size == failingAllocation) {
    failingAllocation = 0;
    return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
  std::free(memory);
}

namespace {

using namespace std::string_literals;
using testing_support::DriverFixture;

constexpr int32_t kPad = 7;
const std::string kAllOn = "1;1;1;1;0;0;0;0;0;0;0;CH1\n";

// A definite-length block of signed 16-bit samples, least significant byte first.
std::string Block(const std::vector<int16_t>& samples, std::string terminator = "\n") {
  std::string data;
  for (const int16_t sample : samples) {
    const auto bits = static_cast<uint16_t>(sample);
    data += static_cast<char>(bits & 0xFF);
    data += static_cast<char>(bits >> 8);
  }
  const std::string count = std::to_string(data.size());
  return "#" + std::to_string(count.size()) + count + data + terminator;
}

std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i % 1000);
  return samples;
}

// A per-channel command as the module sends it: its text, its zero byte, the line feed.
std::string ForChannel(std::string text, int channel) {
  std::replace(text.begin(), text.end(), '#', static_cast<char>('0' + channel));
  return text + "\0\n"s;
}

class TektronixDriverTest : public ::testing::Test, protected DriverFixture {
 protected:
  TektronixDriverTest() : DriverFixture(tds540::kHostArrays.points, -1, 5) {
    bus.AddScripted(kPad);
  }

  void Answer(const std::string& command, const std::string& reply) {
    bus.Reply(kPad, command, reply);
  }
  void ScriptSettings(const std::string& select, const std::string& recordLength = "500\n",
                      const std::string& secondsPerDivision = "1.0E-3\n") {
    Answer("SELECT?\n", select);
    Answer("HOR:MAI:SCA?\0\n"s, secondsPerDivision);
    Answer("HOR:RECO?\0\n"s, recordLength);
  }
  void ScriptChannel(int channel, const std::string& curve,
                     const std::string& voltsPerDivision = "0.5\n",
                     const std::string& offset = "0.1\n") {
    Answer(ForChannel("CH#:VOL?", channel), voltsPerDivision);
    Answer(ForChannel("CH#:OFFS?", channel), offset);
    // A scripted device cannot tell which source a "CURV?" is for, so each channel's curve is
    // queued as its source is chosen; the driver reads it after "CURV?".
    Answer(ForChannel("DAT:SOURCE CH#;:DAT:WID 2;:DAT:ENC SRIBinary;:DAT:START 1", channel), curve);
  }
  int Run() { return TektronixDriver(&arrays.buffers, &points, &channels, kPad); }
  // The channels whose volts per division were asked, in order.
  std::vector<int> ChannelsRead() const {
    std::vector<int> read;
    for (const std::string& bytes : bus.Written())
      if (bytes.size() == 10 && bytes.starts_with("CH") && bytes.find(":VOL?") == 3)
        read.push_back(bytes[2] - '0');
    return read;
  }
  size_t Sent(const std::string& bytes) const {
    const auto written = bus.Written();
    return static_cast<size_t>(std::count(written.begin(), written.end(), bytes));
  }
};

TEST_F(TektronixDriverTest, SendsEveryCommandWithItsExactBytes) {
  ScriptSettings("1;0;1;0;0;0;0;0;0;0;0;CH1\n");
  ScriptChannel(1, Block(Ramp(500)));
  ScriptChannel(3, Block(Ramp(500)));

  EXPECT_EQ(Run(), 1);
  const std::vector<std::string> expected = {
      "LOCK ALL\n",
      "SELECT?\n",
      "HEADER OFF\0\n"s,
      "HOR:MAI:SCA?\0\n"s,
      "HOR:RECO?\0\n"s,
      "CH1:VOL?\0\n"s,
      "CH1:OFFS?\0\n"s,
      "DAT:SOURCE CH1;:DAT:WID 2;:DAT:ENC SRIBinary;:DAT:START 1\0\n"s,
      ":DATA:STOP 500\0\n"s,
      "CURV?\0\n"s,
      "CH3:VOL?\0\n"s,
      "CH3:OFFS?\0\n"s,
      "DAT:SOURCE CH3;:DAT:WID 2;:DAT:ENC SRIBinary;:DAT:START 1\0\n"s,
      ":DATA:STOP 500\0\n"s,
      "CURV?\0\n"s,
      "UNLOCK ALL\n",
  };
  EXPECT_EQ(bus.Written(), expected);
  // The clear comes right after the lock; the board is always 0 and the end mode NLend.
  const auto calls = bus.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[1].function, "DevClear");
  for (const auto& send : bus.CallsOf("Send"))
    EXPECT_NE(send.arguments.find("board=0, address=7"), std::string::npos) << send.arguments;
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.steps, 8);
  EXPECT_EQ(points, 500);
  EXPECT_FALSE(arrays.Untouched(1));
  EXPECT_TRUE(arrays.Untouched(2));
  EXPECT_FALSE(arrays.Untouched(3));
  EXPECT_TRUE(arrays.Untouched(4));
}

TEST_F(TektronixDriverTest, ConvertsSamplesToVoltsWithTheirTimeAxis) {
  std::vector<int16_t> samples(300, 0);
  samples[0] = -32768;
  samples[2] = 32767;
  samples[250] = 6400;
  ScriptSettings("1;0;0;0;0;0;0;0;0;0;0;CH1\n");
  ScriptChannel(1, Block(samples), "0.5\n", "0.1\n");

  ASSERT_EQ(Run(), 1);
  const std::vector<double>& volts = arrays.arrays[1];
  const std::vector<double>& time = arrays.arrays[0];
  EXPECT_NEAR(volts[0], -2.46, 1e-12);
  EXPECT_DOUBLE_EQ(volts[1], 0.1);  // a sample of 0 gives the offset itself
  EXPECT_NEAR(volts[2], (32767 * 0.5) * 0.00015625 + 0.1, 1e-12);
  EXPECT_NEAR(volts[250], 0.6, 1e-12);  // one division up
  EXPECT_DOUBLE_EQ(time[0], 0.0);
  EXPECT_NEAR(time[1], 2.0e-5, 1e-18);
  EXPECT_NEAR(time[250], 5.0e-3, 1e-15);
  // 601 bytes arrived: 300 samples and the terminator.
  EXPECT_EQ(volts[300], arrays.marker);
  EXPECT_EQ(time[300], arrays.marker);
}

struct FlagsCase {
  const char* name;
  std::string reply;
  std::vector<int> read;
};

class ChannelFlags : public TektronixDriverTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(ChannelFlags, DecideWhichChannelsAreRead) {
  ScriptSettings(GetParam().reply);
  for (int channel = 1; channel <= 4; ++channel) ScriptChannel(channel, Block(Ramp(500)));

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ChannelsRead(), GetParam().read);
  EXPECT_EQ(host.steps, 8);  // the loop steps for every channel number, on or off
  EXPECT_EQ(points, 500);
  for (int channel = 1; channel <= 4; ++channel) {
    const bool read = std::count(GetParam().read.begin(), GetParam().read.end(), channel) != 0;
    EXPECT_EQ(arrays.Untouched(channel), !read) << "channel " << channel;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ChannelFlags,
    ::testing::Values(FlagsCase{"OneAndThree", "1;0;1;0;0;0;0;0;0;0;0;CH1\n", {1, 3}},
                      FlagsCase{"NotDigits", "x;y;z;w;0;0;0;0;0;0;0;CH1\n", {}},
                      FlagsCase{"HeaderStillOn", ":SELECT CH1 1;CH2 1;CH3 1;CH4 1\n", {}},
                      FlagsCase{"AnyNonZeroNumber", "7;0;0;2;0\n", {1, 4}},
                      // Positions the reply does not reach read as off.
                      FlagsCase{"ShortReply", "0;1\n", {2}}, FlagsCase{"OneByte", "1", {1}}),
    testing_support::kCaseName);

TEST_F(TektronixDriverTest, AnEmptyChannelSelectReplyReadsNoChannel) {
  ScriptSettings(kAllOn);
  gpibsim_force_count("Receive", 1, 0);
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(ChannelsRead().empty());
}

struct ArraysCase {
  const char* name;
  int16_t channels;
  std::vector<int> read;
  int steps;
};

class HostArrayCount : public TektronixDriverTest,
                       public ::testing::WithParamInterface<ArraysCase> {};

TEST_P(HostArrayCount, LimitsTheChannelsConsidered) {
  ScriptSettings(kAllOn);
  for (int channel = 1; channel <= 4; ++channel) ScriptChannel(channel, Block(Ramp(500)));
  channels = GetParam().channels;

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ChannelsRead(), GetParam().read);
  EXPECT_EQ(host.steps, GetParam().steps);
  for (int array = static_cast<int>(GetParam().read.size()) + 1; array <= 4; ++array)
    EXPECT_TRUE(arrays.Untouched(array)) << "array " << array;
}

INSTANTIATE_TEST_SUITE_P(Counts, HostArrayCount,
                         ::testing::Values(ArraysCase{"Three", 3, {1, 2}, 6},
                                           ArraysCase{"Five", 5, {1, 2, 3, 4}, 8},
                                           ArraysCase{"AboveFive", 9, {1, 2, 3, 4}, 8},
                                           ArraysCase{"TimeAxisOnly", 1, {}, 4},
                                           ArraysCase{"Negative", -3, {}, 4}),
                         testing_support::kCaseName);

struct RecordCase {
  const char* name;
  std::string reply;
  int32_t points;
  size_t sent;    // samples the instrument sends
  size_t stored;  // samples that land in the arrays
};

class RecordLength : public TektronixDriverTest,
                     public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordLength, IsAskedForAndStoredWithinTheHostsArrays) {
  ScriptSettings("1;0;0;0;0;0;0;0;0;0;0;CH1\n", GetParam().reply);
  ScriptChannel(1, Block(Ramp(GetParam().sent)), "1.0\n", "0.0\n");

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(points, GetParam().points);
  EXPECT_EQ(Sent(":DATA:STOP " + std::to_string(GetParam().points) + "\0\n"s), 1u);
  const size_t stored = GetParam().stored;
  if (stored > 0) {
    const auto last = static_cast<double>(stored - 1);
    EXPECT_DOUBLE_EQ(arrays.arrays[1][stored - 1],
                     static_cast<double>((stored - 1) % 1000) * 0.00015625);
    EXPECT_NEAR(arrays.arrays[0][stored - 1], last * 2.0e-5, 1e-12);
  }
  if (stored < arrays.arrays[1].size()) {
    EXPECT_EQ(arrays.arrays[1][stored], arrays.marker);
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, RecordLength,
                         ::testing::Values(RecordCase{"Within", "500\n", 500, 500, 500},
                                           // Asked for 20000 points, an instrument that sends all
                                           // 50000 has the rest read and dropped.
                                           RecordCase{"AboveTheArrays", "50000\n", 20000, 50000,
                                                      20000},
                                           RecordCase{"Negative", "-5\n", 0, 100, 0},
                                           RecordCase{"Unreadable", "many\n", 0, 100, 0}),
                         testing_support::kCaseName);

// A read that fills all 100002 bytes is always followed by another: with the terminator still
// to come that one ends the block, with nothing left it times out and fails the run.
class FullRead : public TektronixDriverTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullRead, IsFollowedByAnother) {
  const bool terminated = GetParam();
  ScriptSettings("1;0;0;0;0;0;0;0;0;0;0;CH1\n", "20000\n");
  ScriptChannel(1, Block(Ramp(50001), terminated ? "\n" : ""), "1.0\n", "0.0\n");

  EXPECT_EQ(Run(), terminated ? 1 : 0);
  std::vector<int32_t> counts;
  for (const auto& call : bus.CallsOf("Receive"))
    if (call.arguments.find("count=100002") != std::string::npos) counts.push_back(call.ibcntl);
  EXPECT_EQ(counts, (std::vector<int32_t>{100002, terminated ? 1 : 0}));
  EXPECT_EQ(host.messages,
            terminated ? std::vector<std::string>{} : std::vector<std::string>{"Receive error !"});
}

INSTANTIATE_TEST_SUITE_P(TerminatorOrNot, FullRead, ::testing::Bool());

// The conversation with channel 1 on: Send 1 "LOCK ALL", 2 "SELECT?", 3 "HEADER OFF",
// 4 "HOR:MAI:SCA?", 5 "HOR:RECO?", 6 "CH1:VOL?", 7 "CH1:OFFS?", 8 the data source, 9 the stop
// point, 10 "CURV?", 11 "UNLOCK ALL"; Receive 1 the flags, 2 the scale, 3 the record length,
// 4 the volts, 5 the offset, 6 the block header, 7 its count digits, 8 the data.
struct FailureCase {
  const char* name;
  const char* function;
  int32_t nth;
  const char* message;
  int steps;
};

class DriverFailure : public TektronixDriverTest,
                      public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DriverFailure, IsReportedOnceAndThePanelIsUnlocked) {
  ScriptSettings("1;0;0;0;0;0;0;0;0;0;0;CH1\n");
  ScriptChannel(1, Block(Ramp(500)));
  gpibsim_fail_call(GetParam().function, GetParam().nth, EABO);

  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{GetParam().message});
  EXPECT_EQ(host.steps, GetParam().steps);
  const auto sends = bus.CallsOf("Send");
  ASSERT_FALSE(sends.empty());
  EXPECT_EQ(sends.back().data, "UNLOCK ALL\n");
  EXPECT_EQ(sends.back().ibsta & ERR, 0);
  EXPECT_EQ(Sent("UNLOCK ALL\n"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DriverFailure,
    ::testing::Values(FailureCase{"LockAll", "Send", 1, "Send error !", 0},
                      FailureCase{"DeviceClear", "DevClear", 1, "Device clear error !", 0},
                      FailureCase{"SelectSent", "Send", 2, "Send error !", 1},
                      FailureCase{"SelectReceived", "Receive", 1, "Receive error !", 1},
                      FailureCase{"HeaderOff", "Send", 3, "Send error !", 1},
                      FailureCase{"ScaleSent", "Send", 4, "Send error !", 1},
                      FailureCase{"ScaleReceived", "Receive", 2, "Receive error !", 2},
                      FailureCase{"RecordLengthSent", "Send", 5, "Send error !", 2},
                      FailureCase{"RecordLengthReceived", "Receive", 3, "Receive error !", 2},
                      FailureCase{"VoltsSent", "Send", 6, "Send error !", 4},
                      FailureCase{"VoltsReceived", "Receive", 4, "Receive error !", 4},
                      FailureCase{"OffsetSent", "Send", 7, "Send error !", 4},
                      FailureCase{"OffsetReceived", "Receive", 5, "Receive error !", 4},
                      FailureCase{"DataSource", "Send", 8, "Send error !", 4},
                      FailureCase{"DataStop", "Send", 9, "Send error !", 4},
                      FailureCase{"CurveQuery", "Send", 10, "Send error !", 4},
                      FailureCase{"BlockHeader", "Receive", 6, "Receive error !", 4},
                      FailureCase{"CountDigits", "Receive", 7, "Receive error !", 4},
                      FailureCase{"CurveData", "Receive", 8, "Receive error !", 4}),
    testing_support::kCaseName);

TEST_F(TektronixDriverTest, AFailedUnlockFailsAnOtherwiseCompleteRun) {
  ScriptSettings("1;0;0;0;0;0;0;0;0;0;0;CH1\n");
  ScriptChannel(1, Block(Ramp(500)));
  gpibsim_fail_call("Send", 11, EABO);

  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Send error !"});
  EXPECT_EQ(host.steps, 8);
  EXPECT_EQ(points, 500);
  EXPECT_FALSE(arrays.Untouched(1));  // what was written stays
}

TEST_F(TektronixDriverTest, NothingListeningFailsBothLockAndUnlock) {
  const int result = TektronixDriver(&arrays.buffers, &points, &channels, 12);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Send error !", "Send error !"}));
  EXPECT_TRUE(bus.CallsOf("DevClear").empty());
  EXPECT_EQ(host.steps, 0);
  EXPECT_EQ(points, -1);
}

// Memory running out while a failure's message is built raises std::bad_alloc, which the
// framework handler does not catch; the panel is given back all the same.
int RunOutOfMemoryReporting(void*, const CString*) {
  throw std::bad_alloc();
}

TEST_F(TektronixDriverTest, AnAllocationFailureWhileReportingStillUnlocks) {
  ScriptSettings(kAllOn);
  gpibsim_fail_call("Receive", 2, EABO);
  Module().Callback = &RunOutOfMemoryReporting;

  EXPECT_THROW(Run(), std::bad_alloc);
  EXPECT_EQ(Sent("UNLOCK ALL\n"), 1u);
  EXPECT_EQ(bus.Written().back(), "UNLOCK ALL\n");
}

TEST_F(TektronixDriverTest, NoMemoryForTheReadBufferIsReportedAndThePanelUnlocked) {
  ScriptSettings(kAllOn);
  failingAllocation = tds540::kReadBufferSize;

  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(host.messages, std::vector<std::string>{"No enought memory !"});
  EXPECT_EQ(bus.Written(), (std::vector<std::string>{"LOCK ALL\n", "UNLOCK ALL\n"}));
  EXPECT_EQ(host.steps, 0);
}

}  // namespace
