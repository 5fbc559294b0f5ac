// A thousand and more acquisitions of every device type, delivering and failing, with the
// module's code linked in and the settle wait made instant: the heap in use does not grow from
// one round to the next, and nothing stays allocated at the end (LeakSanitizer checks at exit).
//
// glibc keeps blocks a thread frees in that thread's own cache, and its count of the heap in
// use takes them as in use: the count moves by a few kilobytes as the cache fills in the order
// the blocks happen to be freed, without any allocation, and a leaked block may come from the
// cache without moving it at all. So the rounds run on a thread of their own, whose cache goes
// back to the heap when it ends, and every thread allocates from the one heap that is counted.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "heap_in_use.h"
#include "ni488/ni488.h"
#include "platform/posix/terminal_dialog.h"
#include "support/module_harness.h"

namespace {

using namespace testing_support;

constexpr int32_t kHostPoints = 20000;

// One GetData and what it must answer.
struct Case {
  const char* name;
  std::string bench;  // path
  int32_t type;
  int32_t expected;
  std::function<void()> faults;  // planned after the bench is loaded
};

const std::vector<Case>& Cases() {
  const std::string kEveryDevice = TestBench("every-device.toml");
  const std::string kMuteBus = TestBench("mute-bus.toml");
  const std::string kNoTektronix = TestBench("no-tektronix.toml");
  const std::string kTwoTektronix = ExampleBench("two-tds540.toml");
  static const std::vector<Case> cases = {
      {"hm408 both channels", kEveryDevice, 0, 1, {}},
      {"hm408 XY", kEveryDevice, 1, 1, {}},
      {"tds540 four channels", kEveryDevice, 2, 1, {}},
      {"pm3323 both channels", kEveryDevice, 3, 1, {}},
      {"type -1", kEveryDevice, -1, 0, {}},
      {"type 4", kEveryDevice, 4, 0, {}},
      {"type 1000", kEveryDevice, 1000, 0, {}},
      {"hm408 status read fails", kEveryDevice, 0, 0, [] { gpibsim_fail_call("ibrd", 2, EABO); }},
      {"hm408 short dump", kEveryDevice, 0, 0, [] { gpibsim_force_count("ibrd", 3, 4095); }},
      {"tds540 block read fails", kEveryDevice, 2, 0,
       [] { gpibsim_fail_call("Receive", 9, EABO); }},
      {"tds540 unlock fails", kEveryDevice, 2, 0, [] { gpibsim_fail_call("Send", 28, EABO); }},
      {"pm3323 block read fails", kEveryDevice, 3, 0, [] { gpibsim_fail_call("ibrd", 10, EABO); }},
      {"pm3323 memory write fails", kEveryDevice, 3, 0,
       [] { gpibsim_fail_call("ibwrt", 4, EBUS); }},
      {"hm408 missing", kMuteBus, 0, 0, {}},
      {"pm3323 missing", kMuteBus, 3, 0, {}},
      {"scan meets a mute listener", kMuteBus, 2, 0, {}},
      {"scan finds no tektronix", kNoTektronix, 2, 0, {}},
      {"chooser cancelled", kTwoTektronix, 2, 0, {}},
  };
  return cases;
}

class RepeatedAcquisition : public ::testing::Test {
 protected:
  RepeatedAcquisition() {
    // No terminal for the chooser: it ends as if closed.
    SetDialogConsoleOpener([] { return std::unique_ptr<DialogConsole>(); });
  }
  ~RepeatedAcquisition() override { SetDialogConsoleOpener({}); }

  // Rounds on a thread that ends before the heap is counted; false at the first failure.
  bool RoundsOnAThread(int rounds) {
    bool answered = true;
    std::thread([&] {
      for (int round = 0; round < rounds && answered; ++round) answered = Round();
    }).join();
    return answered;
  }

  // Every case once; false at the first unexpected answer.
  bool Round() {
    for (const Case& acquisition : Cases()) {
      bus.LoadBenchFile(acquisition.bench);
      if (acquisition.faults) acquisition.faults();
      ModuleHost host;
      int32_t points = kHostPoints;
      int16_t channels = 5;
      const int32_t result = GetData(acquisition.type, &arrays.buffers, &points, &channels,
                                     host.Window(), &RecordingHost::Callback);
      ++calls;
      EXPECT_EQ(result, acquisition.expected) << acquisition.name;
      if (result != acquisition.expected) return false;
      if (acquisition.type == 3 && result == 1) {
        EXPECT_EQ(GetTransProperties(3, &points, &channels), 1) << acquisition.name;
      }
    }
    // The simulated bus back to nothing (its transcript and descriptors are the library's
    // memory, not the module's).
    gpibsim_clear_bus();
    return true;
  }

  SimBus bus;
  BoundGpib gpib;  // the instant settle wait
  HostArrays arrays{kHostPoints};
  int calls = 0;
};

TEST_F(RepeatedAcquisition, KeepsTheHeapFlatOverAThousandCalls) {
  constexpr int kWarmUpRounds = 5;
  constexpr int kMeasuredRounds = 60;
  CountOneHeapForEveryThread();
  ASSERT_TRUE(RoundsOnAThread(kWarmUpRounds));
  const size_t before = HeapInUse();
  ASSERT_TRUE(RoundsOnAThread(kMeasuredRounds));
  const size_t after = HeapInUse();
  ASSERT_GE(calls, 1000);
  EXPECT_LE(after, before + kHeapTolerance)
      << "the heap grew by " << (after - before) << " bytes over " << calls << " calls";
}

}  // namespace
