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

}  // namespace scopehost
