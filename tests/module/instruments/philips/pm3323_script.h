// A scripted PM3323 at "DEV8": its replies to one acquisition queued in the order the module
// reads them, and how the conversation ended as the bus saw it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "support/module_harness.h"

namespace pm3323_test {

// The harness's pieces that every PM3323 test drives.
using testing_support::BoundGpib;
using testing_support::DriverFixture;
using testing_support::HostArrays;
using testing_support::ModuleHost;
using testing_support::SimBus;

constexpr int32_t kPad = 8;

// A block of words whose second bytes are the samples; the first bytes vary so that any use
// of them shows.
inline std::string Block(std::initializer_list<int> samples) {
  std::string block;
  uint8_t unused = 0xA5;
  for (const int sample : samples) {
    block.push_back(static_cast<char>(unused));
    block.push_back(static_cast<char>(static_cast<uint8_t>(sample)));
    unused = static_cast<uint8_t>(unused * 7 + 3);
  }
  return block;
}

// The replies, in the order the acquisition reads them.
struct Pm3323Replies {
  std::string identification = "IDT PHILIPS PM3323/40 V3.2\n";
  std::string horizontal = "HOR TIM2.000E-03,MTB\n";
  std::string functionA = "FCN ON\n";
  std::string attenuationA = "ATT 0.5\n";
  std::string probeA = "PRO UNKNOWN\n";
  std::string functionB = "FCN OFF\n";
  std::string attenuationB = "ATT 2\n";
  std::string probeB = "PRO LOW_1:10\n";
  std::string wordCount = "DAT 4\n";
  std::string block = Block({1, 2, 3, 4});
  std::string trailer = "\n";

  std::vector<std::string> InOrder() const {
    return {identification, horizontal, functionA, attenuationA, probeA, functionB,
            attenuationB,   probeB,     wordCount, block,        trailer};
  }
};

// Positions in Pm3323Replies::InOrder().
enum Read : size_t {
  kIdentification,
  kHorizontal,
  kFunctionA,
  kAttenuationA,
  kProbeA,
  kFunctionB,
  kAttenuationB,
  kProbeB,
  kWordCount,
  kBlock,
  kTrailer,
  kAllReads,
};

// The device "DEV8" on an empty bus.
inline void AddPm3323(testing_support::SimBus& bus) {
  bus.AddScripted(kPad, "DEV8");
}

// Queues the first `answered` replies; the read after them goes unanswered (a time-out).
inline void QueueReplies(testing_support::SimBus& bus, const std::vector<std::string>& replies,
                         size_t answered = std::numeric_limits<size_t>::max()) {
  for (size_t i = 0; i < replies.size() && i < answered; ++i) {
    if (!replies[i].empty()) bus.Queue(kPad, replies[i]);  // an empty reply is no message
  }
}

// How the module let the device go.
enum class Closing {
  kNone,        // never put online (the device could not be opened)
  kReleased,    // back to local, then offline
  kOffline,     // offline without going to local
  kLeftOnline,  // the descriptor is still open
};

// Names a parameterised case after the `name` of its row.
struct RowName {
  template <typename Info>
  std::string operator()(const Info& row) const {
    return row.param.name;
  }
};

Closing ObservedClosing(const testing_support::SimBus& bus);
const char* ToString(Closing closing);

}  // namespace pm3323_test
