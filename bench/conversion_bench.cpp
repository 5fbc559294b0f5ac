// The drivers' sample conversions on their own: the bytes an instrument sent, already in the
// read buffer, turned into volts (and a time axis where the driver writes one with them).
#include <cstdint>
#include <random>
#include <span>
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

// HM408: one channel of 4096 sample codes from the memory dump.
constexpr size_t kHamegSamples = 4096;

void HamegDump(benchmark::State& state) {
  const std::vector<uint8_t> codes = RandomBytes(kHamegSamples);
  std::vector<double> volts(kHamegSamples);
  for (auto _ : state) {
    hameg::ConvertSamples(codes, 0.5 * 0.0390625, volts.data());
    benchmark::DoNotOptimize(volts.data());
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kHamegSamples, codes.size());
}

// PM3323: a full memory of 4096 words, with both channels on (2048 points of A and B
// interleaved) or one (4096 points of A).
constexpr size_t kPhilipsWords = 4096;

void PhilipsBlock(benchmark::State& state, bool bothOn) {
  const std::vector<uint8_t> block = RandomBytes(2 * kPhilipsWords);
  const pm3323::ChannelSettings a{true, 0.5, 10.0};
  const pm3323::ChannelSettings b{bothOn, 0.5, 1.0};
  std::vector<double> arrays[3];
  for (std::vector<double>& array : arrays) array.assign(kPhilipsWords, 0.0);
  WaveformBuffers buffers{{arrays[0].data(), arrays[1].data(), arrays[2].data(), nullptr, nullptr}};
  for (auto _ : state) {
    benchmark::DoNotOptimize(pm3323::StoreWaveforms(block, 1e-3, a, b, &buffers));
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kPhilipsWords, block.size());
}

// TDS540: one channel's curve of 20000 points of two bytes, and the block's terminator.
constexpr size_t kTektronixPoints = 20000;

void TektronixCurve(benchmark::State& state) {
  const std::vector<uint8_t> bytes = RandomBytes(2 * kTektronixPoints + 1);
  const std::span<const char> curve(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const tds540::ChannelScale scale{0.5, 0.1};
  std::vector<double> volts(kTektronixPoints);
  std::vector<double> time(kTektronixPoints);
  for (auto _ : state) {
    benchmark::DoNotOptimize(tds540::ConvertCurve(curve, scale, 2e-5, 0, volts, time));
    benchmark::ClobberMemory();
  }
  bench::CountWork(state, kTektronixPoints, bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  bench::RegisterMemcpy("hm408_dump", kHamegSamples);
  benchmark::RegisterBenchmark("hm408_dump/volts", HamegDump);

  bench::RegisterMemcpy("pm3323_block", 2 * kPhilipsWords);
  benchmark::RegisterBenchmark("pm3323_block/volts_both_channels", PhilipsBlock, true);
  benchmark::RegisterBenchmark("pm3323_block/volts_one_channel", PhilipsBlock, false);

  bench::RegisterMemcpy("tds540_curve", 2 * kTektronixPoints + 1);
  benchmark::RegisterBenchmark("tds540_curve/volts_and_time", TektronixCurve);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
