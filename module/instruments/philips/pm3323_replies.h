// What the module takes from the PM3323's replies, and how its binary block becomes volts
// and seconds in the host's arrays.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/afx.h"

namespace pm3323 {

// One channel as the instrument reported it during this acquisition.
struct ChannelSettings {
  bool on = false;
  double attenuation = 0.0;  // volts per division
  double probeFactor = 0.0;
  // Volts per sample count: the probe, the attenuation, and 1/102.4 of a division per count.
  double Scale() const { return probeFactor * attenuation * 0.009765625; }
};

// The real number at `offset` of a reply, read as atof reads: leading blanks skipped, up to the
// first byte that cannot continue it; 0 when there is none or the reply is shorter.
double RealAt(std::string_view reply, size_t offset);
// The time base: the number right after the first "TIM"; nothing when the reply has no "TIM".
std::optional<double> TimeBase(std::string_view reply);
// The attenuation at offset 3 of the "ATT ?" reply.
double Attenuation(std::string_view reply);
// The probe factor from the "PRO ?" reply: the first probe name found from offset 3 on
// decides; with none, the number at offset 3.
double ProbeFactor(std::string_view reply);
// The number of 16-bit words at offset 3 of the "DAT ?" reply; nothing when it is negative or
// larger than a full memory.
std::optional<int32_t> WordCount(std::string_view reply);

// Converts the block's whole points into the host's arrays: [0] the time axis, [1] channel A
// (or channel B when A is off), [2] channel B when both are on. Each word is an unused byte
// and a signed sample; with both channels on the words alternate A, B. A point whose words did
// not all arrive is dropped. Null arrays are skipped. Returns the points stored.
size_t StoreWaveforms(std::span<const uint8_t> block, double timeBase, const ChannelSettings& a,
                      const ChannelSettings& b, WaveformBuffers* buffers);

}  // namespace pm3323
