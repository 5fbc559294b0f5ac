#include "instruments/hameg/hameg_driver.h"

#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string_view>

#include "driver/progress.h"
#include "gpib/command_bytes.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "instruments/hameg/hameg_settings.h"
#include "resources/resource.h"

namespace {

using hameg::ScratchBuffer;

// One exchange with the instrument: a 4-byte command (no NUL sent) and the most bytes read back.
struct Exchange {
  std::string_view command;
  int32_t readLimit;
};
constexpr Exchange kIdentify{Sent("ID?\n", 4), 50};
constexpr Exchange kStatus{Sent("STA\n", 4), 1};
constexpr Exchange kDump{Sent("DIG\n", 4), 5000};
static_assert(sizeof(ScratchBuffer) == kIdentify.readLimit + 1, "a full reply and its NUL");

constexpr std::string_view kModelName = "HM408";

// Status byte bits.
constexpr unsigned kChannel1Present = 0x02;
constexpr unsigned kChannel2Present = 0x04;

// Both channels share the 4096 sample bytes; one channel has them all.
constexpr int32_t kPointsOneChannel = hameg::kHostArrays.points;
constexpr int32_t kPointsBothChannels = kPointsOneChannel / 2;

constexpr int kZeroLineCode = 127;
constexpr double kDivisionsPerCode = 10.0 / 256.0;  // 0.0390625
constexpr double kDivisionsPerScreen = 10.0;
// What a missing key stands for: one volt, or one second, per division.
constexpr double kDefaultPerDivision = 1.0;
// A missing "CH2" makes channel 2 count one volt per code rather than per division.
constexpr double kChannel2ScaleWithoutKey = 1.0;

// Commands go out from the scratch buffer, which the reply then overwrites. The status of
// the writes is not examined: the read that follows tells whether the instrument listened.
void WriteFromScratch(int ud, std::string_view command, ScratchBuffer& scratch) {
  WriteCommand(ud, hameg::CopyToScratch(scratch, command, command.size()));
}

}  // namespace

namespace hameg {

// A running sum of the increment, not i x dt: the later values carry the sum's rounding.
void WriteTimeAxis(double secondsPerDivision, int32_t points, double* axis) {
  if (axis == nullptr) return;
  const double increment = secondsPerDivision * kDivisionsPerScreen / points;
  axis[0] = 0.0;
  for (int32_t i = 1; i < points; ++i) axis[i] = axis[i - 1] + increment;
}

// Code 255 gets the plain arithmetic: 128 x scale.
void ConvertSamples(std::span<const uint8_t> codes, double scale, double* target) {
  if (target == nullptr) return;
  for (size_t k = 0; k < codes.size(); ++k) target[k] = (codes[k] - kZeroLineCode) * scale;
}

}  // namespace hameg

namespace {

bool Acquire(WaveformBuffers* buffers, int32_t* points, int16_t* channels, const char* deviceName) {
  StepProgress();
  const int ud = OpenInstrumentOrReport(deviceName, IDS_CANT_OPEN_HAMEG);
  if (ud < 0) return false;  // nothing was opened, so nothing is closed
  ScratchBuffer scratch{};

  WriteFromScratch(ud, kIdentify.command, scratch);
  const std::optional<std::string_view> identification =
      ReadText(ud, std::span(scratch).first(kIdentify.readLimit + 1));
  if (!identification) return FailTakingOffline(ud, IDS_NO_ANSWER);
  StepProgress();
  if (identification->find(kModelName) == std::string_view::npos)
    return FailTakingOffline(ud, IDS_INVALID_DEVICE);

  WriteFromScratch(ud, kStatus.command, scratch);
  const std::optional<int32_t> statusCount = ReadBytes(ud, scratch.data(), kStatus.readLimit);
  // An empty reply has no status byte; the command's own first byte must not stand in for one.
  if (!statusCount || *statusCount < kStatus.readLimit) return FailTakingOffline(ud, IDS_NO_ANSWER);
  const auto status = static_cast<unsigned char>(scratch[0]);
  const bool channel1 = (status & kChannel1Present) != 0;
  const bool channel2 = (status & kChannel2Present) != 0;

  std::unique_ptr<uint8_t[]> dump(new (std::nothrow) uint8_t[kDump.readLimit]());
  if (!dump) return false;  // no memory: no message, and the instrument is left online

  WriteFromScratch(ud, kDump.command, scratch);
  // The status of this read is not examined: the byte count alone decides.
  Gpib.ibrd(ud, dump.get(), kDump.readLimit);
  StepProgress();
  const auto received = static_cast<size_t>(ReceivedCountLong(kDump.readLimit));
  if (received < hameg::kSampleBytes) return FailTakingOffline(ud, IDS_NO_ANSWER);

  const std::span<const uint8_t> block(dump.get(), received);
  const std::string_view settings = hameg::SettingsText(block, received);
  const bool xyMode = hameg::ReadXYMode(settings, scratch);
  StepProgress();

  const int32_t pointCount = channel1 && channel2 ? kPointsBothChannels : kPointsOneChannel;
  const auto perChannel = static_cast<size_t>(pointCount);
  double* const* arrays = buffers->arrays;
  if (channel1) {
    const double voltsPerDivision =
        hameg::ReadSetting(settings, hameg::kChannel1Key, scratch).value_or(kDefaultPerDivision);
    StepProgress();
    hameg::ConvertSamples(block.first(perChannel), voltsPerDivision * kDivisionsPerCode,
                          arrays[xyMode ? 0 : 1]);
  }
  StepProgress();
  if (channel2) {
    const std::optional<double> voltsPerDivision =
        hameg::ReadSetting(settings, hameg::kChannel2Key, scratch);
    const double scale =
        voltsPerDivision ? *voltsPerDivision * kDivisionsPerCode : kChannel2ScaleWithoutKey;
    const size_t source = channel1 ? perChannel : 0;
    const int target = xyMode ? 1 : (channel1 ? 2 : 1);
    StepProgress();
    hameg::ConvertSamples(block.subspan(source, perChannel), scale, arrays[target]);
  }
  StepProgress();

  *points = pointCount;
  *channels = static_cast<int16_t>(!xyMode && channel1 && channel2 ? 3 : 2);
  if (!xyMode) {
    const double secondsPerDivision =
        hameg::ReadSetting(settings, hameg::kTimeBaseKey, scratch).value_or(kDefaultPerDivision);
    hameg::WriteTimeAxis(secondsPerDivision, pointCount, arrays[0]);
  }
  dump.reset();
  StepProgress();
  // Success: the instrument stays in remote. Its descriptor is given up all the same, or a
  // host acquiring for hours would use up the GPIB library's descriptors.
  TakeOffline(ud);
  return true;
}

}  // namespace

int HamegDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                const char* deviceName) {
  return Acquire(buffers, points, channels, deviceName) ? 1 : 0;
}
