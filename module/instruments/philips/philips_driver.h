// Philips PM3323: which channels are on (for GetTransProperties) and one acquisition.
#pragma once

#include <cstdint>

#include "driver/array_sizes.h"
#include "platform/afx.h"

// 1 after storing whether channels A and B of the device are both on, and keeping the array
// sizes that answer gives the host, so that an acquisition refuses a block those arrays cannot
// hold; 0 on failure.
int PhilipsChannelProbe(const char* deviceName, bool* bothChannelsOn);
int PhilipsDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                  const char* deviceName);

namespace pm3323 {

// What the host provides for an acquisition: with both channels on they share the memory,
// 2048 points in 3 arrays; else 4096 points in 2.
ArraySizes HostArrays(bool bothChannelsOn);
// The channel probe, answered as those sizes: 1, or 0 after the probe failed.
int ProbeHostArrays(const char* deviceName, ArraySizes* sizes);

}  // namespace pm3323
