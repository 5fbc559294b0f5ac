// The module loaded with dlopen as a host loads it, the simulated library found on the loader's
// search path: after each of hundreds of GetData calls, delivering and failing, the GPIB
// library is no longer loaded and the heap in use has not grown. The TDS540 path (no settle
// wait) carries the bulk; the device types that open a configured device and wait for the
// calendar's next second are called a few times each.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "benches.h"
#include "foundation/host_loader.h"
#include "heap_in_use.h"

namespace {

using namespace testing_support;

constexpr size_t kHostPoints = 20000;

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

// A bench file for the simulated library, named by GPIBSIM_BENCH for the calls that follow: the
// library reads it each time the module loads it.
class BenchFile {
 public:
  BenchFile(const std::string& name, const char* text)
      : path_(::testing::TempDir() + "robustness_" + name + ".toml") {
    std::ofstream(path_) << text;
  }
  ~BenchFile() { std::remove(path_.c_str()); }
  BenchFile(const BenchFile&) = delete;
  BenchFile& operator=(const BenchFile&) = delete;
  void Use() const { setenv("GPIBSIM_BENCH", path_.c_str(), 1); }

 private:
  std::string path_;
};

class HostRelease : public ::testing::Test {
 protected:
  HostRelease() {
    for (auto& array : arrays) array.assign(kHostPoints, 0.0);
    for (size_t i = 0; i < 5; ++i) buffers.arrays[i] = arrays[i].data();
  }

  // One GetData as a host makes it; the library must be gone afterwards.
  int32_t Acquire(int32_t type) {
    HostWindow progress;
    int32_t points = static_cast<int32_t>(kHostPoints);
    int16_t channels = 5;
    const int32_t result =
        module.GetData(type, &buffers, &points, &channels, &progress.window, &RecordMessage);
    EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after GetData type " << type;
    HostMessages().clear();
    return result;
  }

  // A round of the calls that cost no settle wait.
  void Round() {
    everyDevice.Use();
    EXPECT_EQ(Acquire(2), 1);
    for (int32_t type : {-1, 4, 99}) EXPECT_EQ(Acquire(type), 0) << type;
    for (const BenchFile* failing : {&muteBus, &noTektronix}) {
      failing->Use();
      EXPECT_EQ(Acquire(2), 0);
    }
  }

  LoadedModule module;
  std::vector<double> arrays[5];
  WaveformBuffers buffers{};
  BenchFile everyDevice{"every_device", robustness::kEveryDevice};
  BenchFile muteBus{"mute_bus", robustness::kMuteBus};
  BenchFile noTektronix{"no_tektronix", robustness::kNoTektronix};
};

TEST_F(HostRelease, LeavesNoLibraryLoadedAndTheHeapFlat) {
  ASSERT_TRUE(module.loaded());
  ASSERT_FALSE(LibraryLoaded("libgpib-32.so"));
  for (int round = 0; round < 5; ++round) Round();
  const size_t before = HeapInUse();
  for (int round = 0; round < MeasuredRounds(); ++round) Round();
  // Each of the device types that wait for the settle, delivering and failing.
  everyDevice.Use();
  for (int32_t type : {0, 1, 3}) EXPECT_EQ(Acquire(type), 1) << type;
  muteBus.Use();
  for (int32_t type : {0, 3}) EXPECT_EQ(Acquire(type), 0) << type;
  int32_t points = 0;
  int16_t channels = 0;
  everyDevice.Use();
  EXPECT_EQ(module.GetTransProperties(3, &points, &channels), 1);
  EXPECT_FALSE(LibraryLoaded("libgpib-32.so")) << "after the PM3323 probe";
  const size_t after = HeapInUse();
  if (kHeapJudged) {
    EXPECT_LE(after, before + kHeapTolerance)
        << "the heap grew by " << (after - before) << " bytes";
  }
}

}  // namespace
