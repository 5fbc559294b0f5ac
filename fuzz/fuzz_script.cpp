// Out of line and outside the coverage instrumentation: reading the input is the harness's
// work, not a path of the module for the fuzzer to explore.
#include "fuzz_script.h"

namespace fuzzing {

std::vector<Fault> ScriptReader::Faults() {
  std::vector<Fault> faults(std::min<size_t>(Byte(), kMostFaults));
  for (Fault& fault : faults) {
    fault.function = Byte();
    fault.nth = 1 + Byte() % 32;
    fault.forcesCount = (Byte() & 1) != 0;
    fault.value = static_cast<int32_t>(U32());
  }
  return faults;
}

Bytes ScriptReader::Blob() {
  const uint8_t tag = Byte();
  if (tag < 0x80) return Take(U16());
  const size_t length = std::min<size_t>(U32(), kLongestReply);
  Bytes blob = Take((tag & 0x7fu) + 1u);
  if (blob.empty()) return blob;
  // The pattern doubles until the length is reached.
  size_t filled = blob.size();
  blob.resize(length);
  while (filled < length) {
    const size_t copied = std::min(filled, length - filled);
    std::copy_n(blob.begin(), copied, blob.begin() + static_cast<std::ptrdiff_t>(filled));
    filled += copied;
  }
  return blob;
}

Bytes ScriptReader::Take(size_t count) {
  count = std::min(count, data_.size() - std::min(at_, data_.size()));
  Bytes taken(data_.begin() + static_cast<std::ptrdiff_t>(at_),
              data_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
  at_ += count;
  return taken;
}

}  // namespace fuzzing
