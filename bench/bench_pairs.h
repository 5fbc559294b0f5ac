// Each measured figure is registered beside its reference, a memcpy of the same bytes, under
// one label: "<label>/memcpy" and "<label>/<what>". scripts/bench.sh pairs them by label.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

// Copies `bytes` bytes per iteration, the reference the label's other figures are held to.
inline void RegisterMemcpy(const std::string& label, size_t bytes) {
  benchmark::RegisterBenchmark((label + "/memcpy").c_str(), [bytes](benchmark::State& state) {
    std::vector<unsigned char> source(bytes, 0x5a);
    std::vector<unsigned char> target(bytes);
    for (auto _ : state) {
      std::memcpy(target.data(), source.data(), bytes);
      benchmark::DoNotOptimize(target.data());
      benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  });
}

// Samples and bytes handled per iteration: rates, and the samples of one call for the report.
inline void CountWork(benchmark::State& state, size_t samples, size_t bytes) {
  state.counters["samples_per_call"] = static_cast<double>(samples);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(samples));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

}  // namespace bench
