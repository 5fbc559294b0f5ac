// The drivers' sample conversions on their own: the bytes an instrument sent, already in the
// read buffer, turned into volts (and a time axis where the driver writes one with them).
// Before it is measured, each conversion's output is held against the plain per-point formula
// it implements, bit for bit.
//
//   conversion_bench [benchmark flags]
//   conversion_bench --save_tds540_curve=DIR   writes the TDS540 block, its parameters and
//                                              the module's volts and times into DIR, for the
//                                              NumPy comparison (bench/numpy_curve.py)
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bench_pairs.h"
#include "instruments/hameg/hameg_driver.h"
#include "instruments/philips/pm3323_replies.h"
#include "instruments/tektronix/tektronix_driver.h"

namespace {

// Full-scale pseudo-random bytes: every code and sign occurs, as on a noisy signal.
std::vector<uint8_t> RandomBytes(size_t count) {
  std::mt19937 generator(540);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& value : bytes) value = static_cast<uint8_t>(byte(generator));
  return bytes;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

constexpr size_t kDouble = sizeof(double);

// HM408: one channel of 4096 sample codes from the memory dump, and the accumulated time axis.
constexpr size_t kHamegSamples = 4096;
constexpr double kHamegScale = 0.5 * 0.0390625;

void HamegDump(benchmark::State& state) {
  const std::vector<uint8_t> codes = RandomBytes(kHamegSamples);
  std::vector<double> volts(kHamegSamples);
  std::vector<double> expected(kHamegSamples);
  for (size_t k = 0; k < kHamegSamples; ++k) expected[k] = (codes[k] - 127) * kHamegScale;
  hameg::ConvertSamples(codes, kHamegScale, volts.data());
  if (!SameBits(volts, expected)) state.SkipWithError("volts differ from the formula's");
  for (auto _ : state) {
    hameg::ConvertSamples(codes, kHamegScale, volts.data());
    benchmark::DoNotOptimize(volts.data());
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kHamegSamples, codes.size(), kHamegSamples * kDouble);
}

// Each value is the one before plus the increment, so the axis runs at the adder's latency.
void HamegTimeAxis(benchmark::State& state) {
  std::vector<double> axis(kHamegSamples);
  for (auto _ : state) {
    hameg::WriteTimeAxis(1e-3, static_cast<int32_t>(kHamegSamples), axis.data());
    benchmark::DoNotOptimize(axis.data());
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kHamegSamples, 0, kHamegSamples * kDouble);
}

// PM3323: a full memory of 4096 words, with both channels on (2048 points of A and B
// interleaved) or one (4096 points of A).
constexpr size_t kPhilipsWords = 4096;

struct PhilipsArrays {
  explicit PhilipsArrays(size_t points) {
    for (std::vector<double>& array : arrays) array.assign(points, 0.0);
    buffers = {{arrays[0].data(), arrays[1].data(), arrays[2].data(), nullptr, nullptr}};
  }
  std::vector<double> arrays[3];
  WaveformBuffers buffers{};
};

// What the block gives, point by point: the sample byte of each word times its channel's
// scale, and k x the time step.
PhilipsArrays PhilipsFormula(std::span<const uint8_t> block, double timeBase,
                             const pm3323::ChannelSettings& a, const pm3323::ChannelSettings& b) {
  const bool both = a.on && b.on;
  const size_t wordsPerPoint = both ? 2 : 1;
  const size_t points = block.size() / 2 / wordsPerPoint;
  const double step = timeBase * (both ? 0.005 : 0.0025);
  PhilipsArrays expected(kPhilipsWords);
  for (size_t k = 0; k < points; ++k) {
    const size_t word = k * wordsPerPoint;
    expected.arrays[1][k] = static_cast<int8_t>(block[2 * word + 1]) * (a.on ? a : b).Scale();
    if (both) expected.arrays[2][k] = static_cast<int8_t>(block[2 * word + 3]) * b.Scale();
    expected.arrays[0][k] = static_cast<double>(k) * step;
  }
  return expected;
}

void PhilipsBlock(benchmark::State& state, bool bothOn) {
  const std::vector<uint8_t> block = RandomBytes(2 * kPhilipsWords);
  const pm3323::ChannelSettings a{true, 0.5, 10.0};
  const pm3323::ChannelSettings b{bothOn, 0.5, 1.0};
  PhilipsArrays host(kPhilipsWords);
  pm3323::StoreWaveforms(block, 1e-3, a, b, &host.buffers);
  const PhilipsArrays expected = PhilipsFormula(block, 1e-3, a, b);
  for (int i = 0; i < 3; ++i) {
    if (!SameBits(host.arrays[i], expected.arrays[i]))
      state.SkipWithError("arrays differ from the formula's");
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(pm3323::StoreWaveforms(block, 1e-3, a, b, &host.buffers));
    benchmark::ClobberMemory();
  }
  const size_t points = bothOn ? kPhilipsWords / 2 : kPhilipsWords;
  bench::CountWork(state, kPhilipsWords, block.size(), (bothOn ? 3 : 2) * points * kDouble);
}

// TDS540: one channel's curve of 20000 points of two bytes, and the block's terminator.
constexpr size_t kTektronixPoints = 20000;
constexpr tds540::ChannelScale kTektronixScale{0.5, 0.1};
constexpr double kTektronixInterval = 2e-5;

struct Curve {
  std::vector<uint8_t> bytes = RandomBytes(2 * kTektronixPoints + 1);
  std::vector<double> volts = std::vector<double>(kTektronixPoints);
  std::vector<double> time = std::vector<double>(kTektronixPoints);
  std::span<const char> Data() const {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
  size_t Convert() {
    return tds540::ConvertCurve(Data(), kTektronixScale, kTektronixInterval, 0, volts, time);
  }
};

// ((sample x volts per division) x 1/6400) + offset, and point x interval.
bool MatchesFormula(const Curve& curve) {
  Curve expected;
  for (size_t j = 0; j < kTektronixPoints; ++j) {
    const auto sample = static_cast<int16_t>(curve.bytes[2 * j] | (curve.bytes[2 * j + 1] << 8));
    expected.volts[j] =
        (sample * kTektronixScale.voltsPerDivision) * 0.00015625 + kTektronixScale.offset;
    expected.time[j] = static_cast<double>(j) * kTektronixInterval;
  }
  return SameBits(curve.volts, expected.volts) && SameBits(curve.time, expected.time);
}

void TektronixCurve(benchmark::State& state) {
  Curve curve;
  curve.Convert();
  if (!MatchesFormula(curve)) state.SkipWithError("volts or times differ from the formula's");
  for (auto _ : state) {
    benchmark::DoNotOptimize(curve.Convert());
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kTektronixPoints, curve.bytes.size(), 2 * kTektronixPoints * kDouble);
}

bool WriteFile(const std::string& path, const void* data, size_t bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(static_cast<const char*>(data), static_cast<std::streamsize>(bytes));
  return static_cast<bool>(file);
}

// A double as text that reads back to the same value.
std::string Exactly(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The block, its parameters and what the module makes of it, for bench/numpy_curve.py.
int SaveTektronixCurve(const std::string& directory) {
  Curve curve;
  curve.Convert();
  const std::string parameters =
      "{\"points\": " + std::to_string(kTektronixPoints) +
      ", \"volts_per_division\": " + Exactly(kTektronixScale.voltsPerDivision) +
      ", \"offset\": " + Exactly(kTektronixScale.offset) +
      ", \"interval\": " + Exactly(kTektronixInterval) + "}\n";
  const bool written =
      WriteFile(directory + "/block.bin", curve.bytes.data(), curve.bytes.size()) &&
      WriteFile(directory + "/volts.f64", curve.volts.data(), curve.volts.size() * kDouble) &&
      WriteFile(directory + "/time.f64", curve.time.data(), curve.time.size() * kDouble) &&
      WriteFile(directory + "/curve.json", parameters.data(), parameters.size());
  if (!written) std::fprintf(stderr, "cannot write the curve into %s\n", directory.c_str());
  return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kSaveCurve = "--save_tds540_curve=";
  if (argc == 2 && std::string_view(argv[1]).starts_with(kSaveCurve))
    return SaveTektronixCurve(std::string(argv[1] + kSaveCurve.size()));

  bench::RegisterMemcpys(kHamegSamples, kHamegSamples * kDouble);
  benchmark::RegisterBenchmark("hm408_dump/volts", HamegDump);
  benchmark::RegisterBenchmark("hm408_dump/time_axis_accumulated", HamegTimeAxis);

  bench::RegisterMemcpys(2 * kPhilipsWords, 3 * kPhilipsWords / 2 * kDouble);
  bench::RegisterMemcpy(2 * kPhilipsWords * kDouble);
  benchmark::RegisterBenchmark("pm3323_block/volts_both_channels", PhilipsBlock, true);
  benchmark::RegisterBenchmark("pm3323_block/volts_one_channel", PhilipsBlock, false);

  bench::RegisterMemcpys(2 * kTektronixPoints + 1, 2 * kTektronixPoints * kDouble);
  benchmark::RegisterBenchmark("tds540_curve/volts_and_time", TektronixCurve);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
