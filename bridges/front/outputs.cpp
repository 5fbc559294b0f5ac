#include <algorithm>
#include <cstring>

#include "front.h"

namespace gpib_front {

using gpib_recording::Bytes;
using gpib_recording::Call;

namespace {

size_t Within(int32_t count, int32_t capacity) {
  return static_cast<size_t>(std::clamp(count, 0, std::max(capacity, 0)));
}

size_t Capacity(const Outputs& outputs) {
  return static_cast<size_t>(std::max(outputs.capacity, 0));
}

bool Failed(const Call& call) {
  return (call.ibsta & ERR) != 0;
}

}  // namespace

Bytes CapturedRead(const Call& call, const Outputs& outputs) {
  if (outputs.buffer != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(outputs.buffer);
    return Bytes(bytes, bytes + Within(call.ibcntl, outputs.capacity));
  }
  if (outputs.results != nullptr) {
    return gpib_recording::WordBytes(outputs.results, Within(call.ibcntl, outputs.capacity));
  }
  if (Failed(call)) return {};
  if (outputs.statusByte != nullptr) return {static_cast<uint8_t>(*outputs.statusByte)};
  if (outputs.word != nullptr) return gpib_recording::WordBytes(outputs.word, 1);
  return {};
}

void DeliverRead(const Call& recorded, const Outputs& outputs) {
  const Bytes& read = recorded.read;
  if (outputs.buffer != nullptr) {
    std::memcpy(outputs.buffer, read.data(), std::min(read.size(), Capacity(outputs)));
    return;
  }
  const std::vector<int16_t> words = gpib_recording::BytesAsWords(read);
  if (outputs.results != nullptr) {
    std::copy_n(words.begin(), std::min(words.size(), Capacity(outputs)), outputs.results);
  } else if (outputs.statusByte != nullptr && !read.empty()) {
    *outputs.statusByte = static_cast<char>(read.front());
  } else if (outputs.word != nullptr && !words.empty()) {
    *outputs.word = words.front();
  }
}

}  // namespace gpib_front
