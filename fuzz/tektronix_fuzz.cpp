// TDS540 acquisition on arbitrary replies, with lying byte counts and failing calls. Options:
// the host's channel count (16 bits; the host provides that many arrays of 20000 values, at
// most five), the instrument's pad (1 to 30), and now and then an arbitrary address argument.
#include "fuzz_bus.h"
#include "instruments/tektronix/tektronix_driver.h"

namespace {
constexpr int32_t kHostPoints = tds540::kHostArrays.points;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzBus bus({data, size}, {"Send", "Receive", "DevClear"});
  fuzzing::ScriptReader& input = bus.input();
  const auto hostChannels = static_cast<int16_t>(input.U16());
  const int32_t pad = 1 + input.Byte() % 30;
  const bool arbitraryAddress = input.Byte() >= 0xf0;
  const auto addressArgument = static_cast<int32_t>(input.U32());
  gpibsim_add_scripted(pad, nullptr);
  if (!bus.Start()) return 0;

  fuzzing::ExactArrays arrays(hostChannels, kHostPoints);
  int32_t points = -7;
  int16_t channels = hostChannels;
  TektronixDriver(arrays.buffers(), &points, &channels, arbitraryAddress ? addressArgument : pad);
  FUZZ_CHECK(points == -7 || (points >= 0 && points <= kHostPoints));
  FUZZ_CHECK(channels == hostChannels);
  return 0;
}
