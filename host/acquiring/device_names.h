// The device types a user names on the command line: a number 0 to 3 or a short name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "gpibscope/host.h"

namespace scopehost {

struct DeviceKind {
  int32_t type;
  std::string_view shortName;
  // PBM_STEPIT messages of a full acquisition: the progress bar's range.
  int progressSteps;
};

// Hameg: nine stages with both channels. Philips: nine. Tektronix: three, one per channel
// array (four with five arrays), and a last one.
inline constexpr std::array<DeviceKind, 4> kDeviceKinds = {{
    {GPIBSCOPE_HAMEG_DEV1, "hameg1", 9},
    {GPIBSCOPE_HAMEG_DEV2, "hameg2", 9},
    {GPIBSCOPE_TEKTRONIX, "tektronix", 8},
    {GPIBSCOPE_PHILIPS_DEV8, "philips", 9},
}};

inline constexpr int32_t kTektronixType = GPIBSCOPE_TEKTRONIX;

bool IsHameg(int32_t type);

// The kind named by text ("2" or "tektronix"), or nothing for an unknown name.
std::optional<DeviceKind> FindDevice(std::string_view text);

// The kind of a device type number, or nothing for an unknown one.
std::optional<DeviceKind> DeviceOfType(int32_t type);

}  // namespace scopehost
