// Tektronix TDS540: every switched-on channel, in volts, with a time axis.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "driver/array_sizes.h"
#include "platform/afx.h"

int TektronixDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels, int address);

namespace tds540 {

// What the host provides: 20000 points of a longer record, for the time axis and four channels.
constexpr ArraySizes kHostArrays{20000, 5};

struct ChannelScale {
  double voltsPerDivision = 0.0;
  double offset = 0.0;  // volts
};

// Converts the whole 16-bit samples of one read of curve data (an odd last byte is the
// terminator) into volts and their times, numbering them on from firstPoint. Points past the
// host's arrays are dropped. Returns the number of the point after the last one read.
size_t ConvertCurve(std::span<const char> data, const ChannelScale& scale, double interval,
                    size_t firstPoint, std::span<double> volts, std::span<double> time);

}  // namespace tds540
