#include "device.h"

#include <algorithm>

namespace gpibsim {

ReadOutcome Device::Read(size_t limit) {
  ReadOutcome outcome;
  if (output_.empty()) {
    outcome.timedOut = true;
    return outcome;
  }
  const Bytes& front = output_.front();
  const size_t take = std::min(limit, front.size() - readOffset_);
  const auto first = front.begin() + static_cast<std::ptrdiff_t>(readOffset_);
  outcome.bytes.assign(first, first + static_cast<std::ptrdiff_t>(take));
  readOffset_ += take;
  if (readOffset_ == front.size()) {
    outcome.end = true;  // the talker sent EOI with this byte
    output_.pop_front();
    readOffset_ = 0;
  }
  return outcome;
}

void Device::QueueReply(std::span<const uint8_t> message) {
  // A message needs at least one byte to carry EOI; an empty reply means "say nothing".
  if (message.empty()) return;
  output_.emplace_back(message.begin(), message.end());
}

void Device::QueueReply(std::string_view message) {
  QueueReply(std::span(reinterpret_cast<const uint8_t*>(message.data()), message.size()));
}

bool Device::DropOutput() {
  const bool held = !output_.empty();
  output_.clear();
  readOffset_ = 0;
  return held;
}

std::string_view CommandText(std::span<const uint8_t> message) {
  std::string_view text(reinterpret_cast<const char*>(message.data()), message.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace gpibsim
