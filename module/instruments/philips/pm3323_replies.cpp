#include "instruments/philips/pm3323_replies.h"

#include <algorithm>

#include "gpib/reply_numbers.h"

#include "instruments/philips/pm3323_commands.h"
#include "instruments/sample_times.h"

namespace pm3323 {

namespace {

constexpr size_t kValueOffset = 3;  // after the reply's three-letter header

struct ProbeName {
  std::string_view name;
  double factor;
};
// Searched in this order: "LOW_1:100" must be tried before "LOW_1:10", which it contains.
constexpr ProbeName kProbeTable[] = {
    {"UNKNOWN", 1.0},      {"CURRENT", 1.0},       {"LOW_1:100", 100.0},  {"LOW_1:10", 10.0},
    {"HIGH_1:10", 1000.0}, {"HIGH_1:100", 1000.0}, {"HV_ISOLATION", 0.0},
};

// The reply from offset on; empty when the reply is shorter.
std::string_view TailFrom(std::string_view reply, size_t offset) {
  return reply.substr(std::min(offset, reply.size()));
}

// One channel's points: the second byte of every kWordsPerPoint-th word from `firstWord` on,
// a two's-complement count, times the channel's scale. The stride is fixed at compile time,
// so the loop runs vectorised. A null array is skipped.
template <size_t kWordsPerPoint>
void StoreChannel(std::span<const uint8_t> block, size_t firstWord, double scale,
                  std::span<double> array) {
  if (array.data() == nullptr) return;
  const uint8_t* const words = block.data() + 2 * firstWord;
  double* const out = array.data();
  for (size_t k = 0; k < array.size(); ++k)
    out[k] = static_cast<int8_t>(words[2 * kWordsPerPoint * k + 1]) * scale;
}

}  // namespace

double RealAt(std::string_view reply, size_t offset) {
  return ReadReal(TailFrom(reply, offset));
}

std::optional<double> TimeBase(std::string_view reply) {
  constexpr std::string_view kTim = "TIM";
  const size_t at = reply.find(kTim);
  if (at == std::string_view::npos) return std::nullopt;
  return RealAt(reply, at + kTim.size());
}

double Attenuation(std::string_view reply) {
  return RealAt(reply, kValueOffset);
}

double ProbeFactor(std::string_view reply) {
  const std::string_view named = TailFrom(reply, kValueOffset);
  for (const ProbeName& probe : kProbeTable) {
    if (named.find(probe.name) != std::string_view::npos) return probe.factor;
  }
  return RealAt(reply, kValueOffset);
}

std::optional<int32_t> WordCount(std::string_view reply) {
  const long count = ReadInteger(TailFrom(reply, kValueOffset));
  if (count < 0 || count > kMaxWords) return std::nullopt;
  return static_cast<int32_t>(count);
}

size_t StoreWaveforms(std::span<const uint8_t> block, double timeBase, const ChannelSettings& a,
                      const ChannelSettings& b, WaveformBuffers* buffers) {
  if (buffers == nullptr) return 0;
  const bool both = a.on && b.on;
  const size_t wordsPerPoint = both ? 2 : 1;
  const size_t points = block.size() / 2 / wordsPerPoint;
  // Two channels share the memory, so each point spans twice the time.
  const double step = timeBase * (both ? 0.005 : 0.0025);
  // With one channel, or none, the host sees a single channel in array 1: A if on, else B.
  const double firstScale = a.on ? a.Scale() : b.Scale();
  const double secondScale = b.Scale();
  double* const* arrays = buffers->arrays;
  if (both) {
    StoreChannel<2>(block, 0, firstScale, {arrays[1], points});
    StoreChannel<2>(block, 1, secondScale, {arrays[2], points});
  } else {
    StoreChannel<1>(block, 0, firstScale, {arrays[1], points});
  }
  if (arrays[0] != nullptr) instruments::WriteSampleTimes({arrays[0], points}, 0, step);
  return points;
}

}  // namespace pm3323
