// PM3323 channel probe and acquisition on arbitrary replies, with lying byte counts and failing
// calls. The host asks GetTransProperties's figures first (the probe) and sizes its arrays by
// them: 2048 values in 3 arrays with both channels on, else 4096 in 2. The probe's replies and
// the acquisition's are independent, so the channels may change between the two.
#include "fuzz_bus.h"
#include "instruments/philips/philips_driver.h"

namespace {
constexpr int32_t kPad = 8;
constexpr int32_t kUntouched = -7;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzBus bus({data, size}, {"ibfindA", "ibonl", "ibtmo", "ibwrt", "ibrd", "ibloc"});
  gpibsim_add_scripted(kPad, "DEV8");
  bus.SetDescriptorDevice(kPad);
  if (!bus.Start()) return 0;

  ArraySizes sizes{};
  if (pm3323::ProbeHostArrays("DEV8", &sizes) != 1) return 0;  // the host has no figures
  fuzzing::ExactArrays arrays(sizes.arrays, sizes.points);
  int32_t points = kUntouched;
  int16_t channels = kUntouched;
  PhilipsDriver(arrays.buffers(), &points, &channels, "DEV8");
  FUZZ_CHECK(points == kUntouched && channels == kUntouched);
  return 0;
}
