// A device on the simulated bus: it receives whole messages and queues reply messages,
// which reads take from the front, a part at a time when the reader asks for less. Its state
// lasts as the instrument's would, from one acquisition to the next: each model says what.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string_view>
#include <vector>

namespace gpibsim {

using Bytes = std::vector<uint8_t>;

struct ReadOutcome {
  Bytes bytes;
  bool end = false;       // the last byte of a message (EOI) was read
  bool timedOut = false;  // nothing to read: the device did not talk
};

class Device {
 public:
  virtual ~Device() = default;

  // One message as the device received it (the writer's bytes; for Send with NLend the
  // line feed is included).
  virtual void OnMessage(std::span<const uint8_t> message) = 0;
  // Selected device clear (DevClear, ibclr): pending output is dropped.
  virtual void OnClear() { DropOutput(); }
  // Whether the device answers an address poll (FindLstn).
  virtual bool Listens() const { return true; }

  // Up to limit bytes of the front message; a message of zero bytes is never queued.
  ReadOutcome Read(size_t limit);
  bool HasOutput() const { return !output_.empty(); }

  // Remote and lock state: a write makes the device remote, ibloc sends it back to local; a
  // model sets locked when it locks its front panel.
  bool remote = false;
  bool locked = false;

 protected:
  void QueueReply(std::span<const uint8_t> message);
  void QueueReply(std::string_view message);
  // Drops every pending reply, a partly read one included; true when there was one. A model
  // following IEEE 488.2 message exchange calls it as each new message arrives: the message
  // interrupts a reply not read to its end.
  bool DropOutput();

 private:
  std::deque<Bytes> output_;
  size_t readOffset_ = 0;  // bytes of the front message already read
};

// The text of a message without its trailing line feed, carriage return and NUL bytes, as an
// instrument's parser sees it.
std::string_view CommandText(std::span<const uint8_t> message);

}  // namespace gpibsim
