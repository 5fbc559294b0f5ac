// The bridge's reading and writing of controller bytes, and its escaping against the
// emulated controller's reading of lines.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <numeric>
#include <string>

#include "bus.h"
#include "controller.h"
#include "controller_bytes.h"
#include "scripted_device.h"

namespace {

using prologix::Bytes;

Bytes BytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

Bytes EveryByteValue() {
  Bytes bytes(256);
  std::iota(bytes.begin(), bytes.end(), uint8_t{0});
  return bytes;
}

TEST(ReplyCollector, CutsRepliesAtTheSentinelHoweverTheBytesArrive) {
  const std::string sentinel = "VER 1\r\n";
  // Two replies: binary with the sentinel's first bytes inside, then an empty one.
  const std::string stream = std::string("V\x00\rVER\r\n\x04", 10) + sentinel + sentinel;
  for (const size_t piece : {size_t{1}, size_t{3}, stream.size()}) {
    prologix::ReplyCollector collector(sentinel);
    for (size_t at = 0; at < stream.size(); at += piece)
      collector.Add(BytesOf(std::string_view(stream).substr(at, piece)));
    ASSERT_EQ(collector.Replies().size(), 2u) << piece;
    EXPECT_EQ(collector.Replies()[0], BytesOf(std::string_view(stream).substr(0, 10))) << piece;
    EXPECT_TRUE(collector.Replies()[1].empty());
    EXPECT_EQ(collector.Pending(), 0u);
  }
}

TEST(ControllerReplies, ReadPollListenerAndVersionRepliesAreJudgedByTheirBytes) {
  EXPECT_TRUE(prologix::ReadReplyOf(BytesOf("ab\x04"), 4).end);
  EXPECT_EQ(prologix::ReadReplyOf(BytesOf("ab\x04"), 4).data.size(), 2u);
  EXPECT_FALSE(prologix::ReadReplyOf(BytesOf("ab"), 4).end);

  using Poll = prologix::PollReply::State;
  const struct {
    std::string_view reply;
    Poll state;
    uint8_t status;
  } polls[] = {{"16\r\n", Poll::kStatus, 16},
               {"0\n", Poll::kStatus, 0},
               {"256\r\n", Poll::kGarbage, 0},
               {"16", Poll::kGarbage, 0},
               {"-1\r\n", Poll::kGarbage, 0},
               {"\xff\xfe", Poll::kGarbage, 0},
               {"1\x01\r\n", Poll::kGarbage, 0},
               // A poll nobody answered: nothing, an empty line, or words.
               {"", Poll::kSilent, 0},
               {"\r\n", Poll::kSilent, 0},
               {"1 6\r\n", Poll::kSilent, 0},
               {"Timeout\r\n", Poll::kSilent, 0}};
  for (const auto& poll : polls) {
    const auto reply = prologix::PollReplyOf(BytesOf(poll.reply));
    EXPECT_EQ(reply.state, poll.state) << poll.reply;
    EXPECT_EQ(reply.status, poll.status) << poll.reply;
  }

  const struct {
    std::string_view reply;
    std::optional<size_t> count;
  } lists[] = {{"5,8,12\r\n", 3}, {"\r\n", 0},  {"7:96\r\n", 1}, {"5,,8", {}},
               {"31", {}},        {"7:95", {}}, {"5,", {}},      {"x", {}}};
  for (const auto& list : lists) {
    const auto listeners = prologix::ListenersOf(BytesOf(list.reply));
    ASSERT_EQ(listeners.has_value(), list.count.has_value()) << list.reply;
    if (listeners) {
      EXPECT_EQ(listeners->size(), *list.count) << list.reply;
    }
  }

  using Version = prologix::VersionLine::State;
  EXPECT_EQ(prologix::ScanVersionLine(BytesOf("AR488 ver. 1\r\n")).state, Version::kComplete);
  EXPECT_EQ(prologix::ScanVersionLine(BytesOf("AR488 ver")).state, Version::kIncomplete);
  EXPECT_EQ(prologix::ScanVersionLine(BytesOf("AR\x90")).state, Version::kGarbage);
  EXPECT_EQ(prologix::ScanVersionLine(BytesOf("\n")).state, Version::kGarbage);
  EXPECT_EQ(prologix::ScanVersionLine(Bytes(200, 'a')).state, Version::kGarbage);
}

using gpibsim::controller::Flavour;

// The emulated controller's bus with a scripted device at address 3 that answers "OK" to one
// exact message.
struct EmulatedBench {
  explicit EmulatedBench(const Bytes& command, Flavour flavour = Flavour::kPrologix)
      : eeprom(gpibsim::controller::FactoryEeprom(flavour)),
        controller(bus, flavour, eeprom, [this](std::span<const uint8_t> bytes) {
          output.append(bytes.begin(), bytes.end());
        }) {
    auto device = std::make_unique<gpibsim::ScriptedDevice>();
    device->Script(command, BytesOf("OK"));
    bus.Attach(3, std::move(device));
  }
  void Feed(std::string_view text) { controller.Feed(BytesOf(text)); }

  gpibsim::Bus bus;
  std::string output;
  gpibsim::controller::Eeprom eeprom;
  gpibsim::controller::Controller controller;
};

TEST(Escaping, EveryByteValueAndLeadingPlusesReachTheInstrumentAsData) {
  for (const Bytes& data : {EveryByteValue(), BytesOf("++ver"), BytesOf("\r\n"), BytesOf("+")}) {
    EmulatedBench bench(data);
    bench.Feed("++auto 0\n++eos 3\n++addr 3\n");
    bench.Feed(prologix::EscapedLine(data));
    bench.Feed("++read eoi\n");
    EXPECT_EQ(bench.output, "OK") << prologix::EscapedLine(data);
  }
}

// The emulated controllers hold the bridge to what the Prologix manual says.
TEST(EmulatedController, APrologixSavesEverySettingUntilToldNotToAnAr488OnlyWhenAsked) {
  EmulatedBench prologix(BytesOf("x"));
  prologix.Feed("++eos 3\n++addr 3\n++ver\n");
  EXPECT_EQ(prologix.eeprom.writes, 2);
  prologix.Feed("++savecfg 0\n++eos 0\n++read_tmo_ms 50\n");
  EXPECT_EQ(prologix.eeprom.writes, 2);
  prologix.output.clear();
  prologix.Feed("++rst\n++eos\n++savecfg\n");  // powered up from the EEPROM, saving again
  EXPECT_EQ(prologix.output, "3\r\n1\r\n");

  EmulatedBench ar488(BytesOf("x"), Flavour::kAr488);
  ar488.Feed("++eos 3\n++addr 3\n");
  EXPECT_EQ(ar488.eeprom.writes, 0);
  ar488.Feed("++savecfg 0\n");
  EXPECT_EQ(ar488.eeprom.writes, 1);
  EXPECT_EQ(ar488.eeprom.saved.eos, 3);
}

TEST(EmulatedController, WaitsItsWholeReadTimeOutForAPollNobodyAnswersAndForABareRead) {
  EmulatedBench bench(BytesOf("Q"));
  bench.Feed("++auto 0\n++eos 3\n++read_tmo_ms 200\n++addr 3\n");
  for (const std::string_view step : {"++spoll 9\n", "Q\n++read\n"}) {
    bench.output.clear();
    const auto start = std::chrono::steady_clock::now();
    bench.Feed(step);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200)) << step;
  }
  EXPECT_EQ(bench.output, "OK");  // the bare read's data, EOI or not
}

}  // namespace
