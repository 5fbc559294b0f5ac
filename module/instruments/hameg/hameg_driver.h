// Hameg HM408: one memory dump turned into up to two channels and a time axis, or the XY pair.
#pragma once

#include <cstdint>
#include <span>

#include "driver/array_sizes.h"
#include "instruments/hameg/hameg_settings.h"
#include "platform/afx.h"

int HamegDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                const char* deviceName);

namespace hameg {

// What the host provides: the whole 4096-byte memory as one channel, or half of it for each of
// two, with the time axis.
constexpr ArraySizes kHostArrays{static_cast<int32_t>(kSampleBytes), 3};

// target[k] = (code k - 127) x scale, for each sample code of one channel. A host that left
// the array out (null) gets nothing written.
void ConvertSamples(std::span<const uint8_t> codes, double scale, double* target);
// axis[0] = 0 and axis[i] = axis[i - 1] + seconds per division x 10 / points: each value is
// the sum of the one before, so the axis is written one value after another. Null: nothing.
void WriteTimeAxis(double secondsPerDivision, int32_t points, double* axis);

}  // namespace hameg
