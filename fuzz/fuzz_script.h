// The byte format of a fuzz input, read by the targets and written by the seed generator:
//
//   options   a few bytes whose meaning each target gives (channel count, listeners, ...)
//   faults    a count byte (0 to 4 used), then per fault: function (index into the target's
//             list), nth call (1 to 32), kind (even: the call fails with ERR and iberr =
//             value % 32; odd: the call reports value as its byte count), value (4 bytes)
//   replies   up to the end: per reply a tag byte, then either (tag < 0x80) a 2-byte length and
//             that many bytes, or (tag >= 0x80) a 4-byte length and a pattern of
//             (tag & 0x7f) + 1 bytes repeated to that length, so a long curve costs few bytes
//
// Numbers are little-endian. A reader past the end gets zeros and empty replies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fuzzing {

using Bytes = std::vector<uint8_t>;

// Longest reply a pattern may expand to: two of the largest reads any driver makes.
constexpr size_t kLongestReply = 2 * 100002 + 2;
constexpr size_t kMostFaults = 4;

struct Fault {
  uint8_t function = 0;
  int32_t nth = 1;
  bool forcesCount = false;
  int32_t value = 0;
};

class ScriptReader {
 public:
  explicit ScriptReader(std::span<const uint8_t> data) : data_(data) {}

  bool AtEnd() const { return at_ >= data_.size(); }
  uint8_t Byte() { return AtEnd() ? 0 : data_[at_++]; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  std::vector<Fault> Faults();
  Bytes Blob();

 private:
  Bytes Take(size_t count);

  std::span<const uint8_t> data_;
  size_t at_ = 0;
};

class ScriptWriter {
 public:
  void Byte(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value) {
    Byte(static_cast<uint8_t>(value));
    Byte(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
  }
  void Faults(const std::vector<Fault>& faults) {
    Byte(static_cast<uint8_t>(faults.size()));
    for (const Fault& fault : faults) {
      Byte(fault.function);
      Byte(static_cast<uint8_t>(fault.nth - 1));
      Byte(fault.forcesCount ? 1 : 0);
      U32(static_cast<uint32_t>(fault.value));
    }
  }
  // A reply longer than a literal holds goes as its first 128 bytes repeated to its length.
  void Blob(std::span<const uint8_t> blob) {
    if (blob.size() <= 0xffff) {
      Byte(0);
      U16(static_cast<uint16_t>(blob.size()));
      bytes_.insert(bytes_.end(), blob.begin(), blob.end());
      return;
    }
    const size_t period = std::min<size_t>(blob.size(), 128);
    Byte(static_cast<uint8_t>(0x80 | (period - 1)));
    U32(static_cast<uint32_t>(blob.size()));
    bytes_.insert(bytes_.end(), blob.begin(), blob.begin() + static_cast<std::ptrdiff_t>(period));
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

}  // namespace fuzzing
