// Every measured figure carries the bytes it reads and the bytes it writes per call; its
// references are memcpy runs of those byte counts in the same program, "memcpy/<bytes>".
// scripts/bench.sh pairs them by those counts.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace bench {

// Registers "memcpy/<bytes>", once for each byte count.
inline void RegisterMemcpy(size_t bytes) {
  static std::set<size_t> registered;
  if (!registered.insert(bytes).second) return;
  benchmark::RegisterBenchmark(("memcpy/" + std::to_string(bytes)).c_str(),
                               [bytes](benchmark::State& state) {
                                 std::vector<unsigned char> source(bytes, 0x5a);
                                 std::vector<unsigned char> target(bytes);
                                 for (auto _ : state) {
                                   std::memcpy(target.data(), source.data(), bytes);
                                   benchmark::DoNotOptimize(target.data());
                                   benchmark::ClobberMemory();
                                 }
                                 state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                                         static_cast<int64_t>(bytes));
                               });
}

// The references of a figure that reads `read` and writes `written` bytes per call.
inline void RegisterMemcpys(size_t read, size_t written) {
  RegisterMemcpy(read);
  RegisterMemcpy(written);
}

// Samples and bytes handled per call: rates, and the counts the report pairs references by.
inline void CountWork(benchmark::State& state, size_t samples, size_t read, size_t written) {
  state.counters["samples_per_call"] = static_cast<double>(samples);
  state.counters["bytes_read"] = static_cast<double>(read);
  state.counters["bytes_written"] = static_cast<double>(written);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(samples));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(read));
}

// For a program with its own main, after it registered its figures: runs them as Google
// Benchmark's main does. 0, or 1 for an argument it does not know.
inline int RunRegistered(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const bool known = !benchmark::ReportUnrecognizedArguments(argc, argv);
  if (known) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return known ? 0 : 1;
}

}  // namespace bench
