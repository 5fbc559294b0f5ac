// Which of the host's arrays an acquisition filled, and what they hold.
#pragma once

#include <cstdint>

#include "acquiring/host_arrays.h"
#include "acquiring/waveforms.h"

namespace scopehost {

// What GetData left in the count variables; kNotWritten where it did not touch them.
struct ReportedCounts {
  static constexpr int32_t kNotWritten = -1;
  int32_t points = kNotWritten;
  int16_t arrays = kNotWritten;
};

// The waveforms in arrays after a successful GetData for device type. Fills everything
// but the device name and the times.
Waveforms Delivered(const HostArrays& arrays, int32_t type, ReportedCounts reported);

// Whether a Hameg delivered in XY mode: X in place of the time axis, or no array 0 at all
// (channel 2 alone, or nothing).
bool InXYMode(const Waveforms& waveforms);

}  // namespace scopehost
