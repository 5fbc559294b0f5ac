// A device whose replies a test or a bench sets byte for byte: a message that equals a
// scripted command queues that command's reply; any other message goes unanswered. Queued
// replies stay until read or cleared, whatever is written between: a test says exactly what
// the device holds.
#pragma once

#include <map>

#include "device.h"

namespace gpibsim {

class ScriptedDevice : public Device {
 public:
  // Later scripts for the same command replace earlier ones.
  void Script(std::span<const uint8_t> command, std::span<const uint8_t> reply);
  void Queue(std::span<const uint8_t> reply) { QueueReply(reply); }

  void OnMessage(std::span<const uint8_t> message) override;

 private:
  std::map<Bytes, Bytes> replies_;
};

}  // namespace gpibsim
