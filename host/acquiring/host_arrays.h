// The arrays the host owns and hands to GetData.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gpibscope/host.h"

namespace scopehost {

// As many arrays as GetTransProperties gave (time axis included), each with room for its
// points, and null pointers for the rest of the five. Every value starts as NaN: the module
// never produces one, so a value still NaN afterwards is one the module did not write.
class HostArrays {
 public:
  HostArrays(int32_t points, int16_t arrays);

  WaveformBuffers* buffers() { return &buffers_; }
  int16_t count() const { return static_cast<int16_t>(storage_.size()); }
  size_t capacity() const { return capacity_; }

  // Array index as the module left it (empty for an array not provided).
  std::span<const double> Array(int index) const;
  // Whether the module wrote any of the first points values of the array.
  bool Written(int index, size_t points) const;
  // How many values from the start the module wrote without a gap.
  size_t WrittenPrefix(int index) const;

 private:
  size_t capacity_;
  std::vector<std::vector<double>> storage_;
  WaveformBuffers buffers_{};
};

}  // namespace scopehost
