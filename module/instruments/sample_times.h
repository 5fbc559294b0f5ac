// The time axis of the instruments whose points are evenly spaced: point p at p x interval.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

namespace instruments {

// time[i] = (firstPoint + i) x interval. The loop counts in 32 bits, whose conversion to
// floating point runs vectorised where a 64-bit one does not; the host counts its points in
// 32 bits, so no array it owns is longer. Both sums are exact integers, so every value is the
// one the product of the whole point number gives.
inline void WriteSampleTimes(std::span<double> time, size_t firstPoint, double interval) {
  const auto count =
      static_cast<int32_t>(std::min<size_t>(time.size(), std::numeric_limits<int32_t>::max()));
  const auto first = static_cast<double>(firstPoint);
  double* const out = time.data();
  for (int32_t i = 0; i < count; ++i) out[i] = (first + i) * interval;
}

}  // namespace instruments
