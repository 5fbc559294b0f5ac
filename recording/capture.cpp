#include <algorithm>
#include <cstring>

#include "capture.h"
#include "ni488/ni488.h"

namespace gpib_recording {

namespace {

// A longer address list has no terminator: every primary address, each with no secondary
// address or any of them.
constexpr size_t kMaxAddressList =
    (kLastPrimaryAddress + 1) * (kLastSecondaryAddress - kFirstSecondaryAddress + 2);

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

Call Request(const char* function, std::vector<int32_t> arguments, Bytes written) {
  Call call;
  call.function = function;
  call.arguments = std::move(arguments);
  call.written = std::move(written);
  return call;
}

Bytes BufferBytes(const void* buffer, int32_t count) {
  if (buffer == nullptr || count <= 0) return {};
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  return Bytes(bytes, bytes + count);
}

Bytes NameBytes(const char* name) {
  return name == nullptr ? Bytes{} : BufferBytes(name, static_cast<int32_t>(std::strlen(name)));
}

Bytes AddressListBytes(const int16_t* addresses) {
  if (addresses == nullptr) return {};
  size_t count = 0;
  while (count < kMaxAddressList && addresses[count] != NOADDR) ++count;
  return WordBytes(addresses, count);
}

Bytes CapturedRead(const Call& call, const Outputs& outputs) {
  if (outputs.buffer != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(outputs.buffer);
    return Bytes(bytes, bytes + Within(call.ibcntl, outputs.capacity));
  }
  if (outputs.results != nullptr) {
    return WordBytes(outputs.results, Within(call.ibcntl, outputs.capacity));
  }
  if (Failed(call)) return {};
  if (outputs.statusByte != nullptr) return {static_cast<uint8_t>(*outputs.statusByte)};
  if (outputs.word != nullptr) return WordBytes(outputs.word, 1);
  return {};
}

void DeliverRead(const Call& recorded, const Outputs& outputs) {
  const Bytes& read = recorded.read;
  if (outputs.buffer != nullptr) {
    const size_t count = std::min(read.size(), Capacity(outputs));
    if (count > 0) std::memcpy(outputs.buffer, read.data(), count);
    return;
  }
  const std::vector<int16_t> words = BytesAsWords(read);
  if (outputs.results != nullptr) {
    std::copy_n(words.begin(), std::min(words.size(), Capacity(outputs)), outputs.results);
  } else if (outputs.statusByte != nullptr && !read.empty()) {
    *outputs.statusByte = static_cast<char>(read.front());
  } else if (outputs.word != nullptr && !words.empty()) {
    *outputs.word = words.front();
  }
}

}  // namespace gpib_recording
