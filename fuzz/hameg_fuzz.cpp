// HM408 acquisition on arbitrary replies: identification, status byte and memory dump, with
// lying byte counts and failing calls. The host provides arrays 0 to 2 of 4096 values.
#include "fuzz_bus.h"
#include "instruments/hameg/hameg_driver.h"

namespace {
constexpr int32_t kPad = 1;
constexpr int32_t kHostPoints = hameg::kHostArrays.points;
constexpr int32_t kUntouchedPoints = -7;
constexpr int16_t kUntouchedChannels = -7;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzBus bus({data, size}, {"ibfindA", "ibonl", "ibtmo", "ibwrt", "ibrd"});
  gpibsim_add_scripted(kPad, "DEV1");
  bus.SetDescriptorDevice(kPad);
  if (!bus.Start()) return 0;

  fuzzing::ExactArrays arrays(3, kHostPoints);
  int32_t points = kUntouchedPoints;
  int16_t channels = kUntouchedChannels;
  if (HamegDriver(arrays.buffers(), &points, &channels, "DEV1") == 1) {
    FUZZ_CHECK(points == 2048 || points == 4096);
    FUZZ_CHECK(channels == 2 || channels == 3);
  } else {
    FUZZ_CHECK(points == kUntouchedPoints && channels == kUntouchedChannels);
  }
  return 0;
}
