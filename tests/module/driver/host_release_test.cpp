// The module loaded with dlopen as a host loads it, the simulated library found on the loader's
// search path: after each of hundreds of GetData calls, delivering and failing, the GPIB
// library is no longer loaded and the heap in use has not grown. The TDS540 path (no settle
// wait) carries the bulk; the device types that open a configured device and wait for the
// calendar's next second are called a few times each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "heap_in_use.h"
#include "support/bench_files.h"
#include "support/library_loaded.h"
#include "support/loaded_module.h"
#include "support/recording_host.h"

namespace {

using namespace testing_support;

constexpr size_t kHostPoints = 20000;
constexpr const char* kEveryDevice = "every-device.toml";
constexpr const char* kMuteBus = "mute-bus.toml";
constexpr const char* kNoTektronix = "no-tektronix.toml";

#if defined(GPIBSCOPE_ASAN_HEAP)
// AddressSanitizer's runtime adds an exit handler of its own for every static destructor that a
// library registers and keeps it after the library is unloaded, so each load of the GPIB
// library grows the heap by the runtime's doing. Under it, leaks are LeakSanitizer's to find;
// the heap is judged by the plain build (scripts/test.sh).
constexpr bool kHeapJudged = false;
#else
constexpr bool kHeapJudged = true;
#endif

// Rounds of the calls without a settle wait: ROBUSTNESS_ROUNDS, or 50 (a few under valgrind).
int MeasuredRounds() {
  const char* rounds = std::getenv("ROBUSTNESS_ROUNDS");
  return rounds != nullptr ? std::atoi(rounds) : 50;
}

// Names the bench file the simulated library reads each time the module loads it.
void UseBench(const char* name) {
  setenv("GPIBSIM_BENCH", TestBench(name).c_str(), 1);
}

class HostRelease : public ::testing::Test {
 protected:
  HostRelease() {
    for (auto& array : arrays) array.assign(kHostPoints, 0.0);
    for (size_t i = 0; i < 5; ++i) buffers.arrays[i] = arrays[i].data();
  }

  // One GetData as a host makes it; the library must be gone afterwards.
  int32_t Acquire(int32_t type) {
    RecordingHost host;
    int32_t points = static_cast<int32_t>(kHostPoints);
    int16_t channels = 5;
    const int32_t result =
        module.GetData(type, &buffers, &points, &channels, host.Window(), &RecordingHost::Callback);
    EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after GetData type " << type;
    return result;
  }

  // A round of the calls that cost no settle wait.
  void Round() {
    UseBench(kEveryDevice);
    EXPECT_EQ(Acquire(2), 1);
    for (int32_t type : {-1, 4, 99}) EXPECT_EQ(Acquire(type), 0) << type;
    for (const char* failing : {kMuteBus, kNoTektronix}) {
      UseBench(failing);
      EXPECT_EQ(Acquire(2), 0);
    }
  }

  LoadedModule module;
  std::vector<double> arrays[5];
  WaveformBuffers buffers{};
};

TEST_F(HostRelease, LeavesNoLibraryLoadedAndTheHeapFlat) {
  ASSERT_TRUE(module.loaded());
  ASSERT_FALSE(LibraryLoaded("libgpib-32.so"));
  for (int round = 0; round < 5; ++round) Round();
  const size_t before = HeapInUse();
  for (int round = 0; round < MeasuredRounds(); ++round) Round();
  // Each of the device types that wait for the settle, delivering and failing.
  UseBench(kEveryDevice);
  for (int32_t type : {0, 1, 3}) EXPECT_EQ(Acquire(type), 1) << type;
  UseBench(kMuteBus);
  for (int32_t type : {0, 3}) EXPECT_EQ(Acquire(type), 0) << type;
  int32_t points = 0;
  int16_t channels = 0;
  UseBench(kEveryDevice);
  EXPECT_EQ(module.GetTransProperties(3, &points, &channels), 1);
  EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after the PM3323 probe";
  const size_t after = HeapInUse();
  if (kHeapJudged) {
    EXPECT_LE(after, before + kHeapTolerance)
        << "the heap grew by " << (after - before) << " bytes";
  }
}

}  // namespace
