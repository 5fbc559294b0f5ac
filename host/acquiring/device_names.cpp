#include "acquiring/device_names.h"

#include <charconv>

namespace scopehost {

bool IsHameg(int32_t type) {
  return type == GPIBSCOPE_HAMEG_DEV1 || type == GPIBSCOPE_HAMEG_DEV2;
}

std::optional<DeviceKind> DeviceOfType(int32_t type) {
  for (const DeviceKind& kind : kDeviceKinds) {
    if (kind.type == type) return kind;
  }
  return std::nullopt;
}

std::optional<DeviceKind> FindDevice(std::string_view text) {
  int32_t number = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc{} && end == text.data() + text.size()) return DeviceOfType(number);
  for (const DeviceKind& kind : kDeviceKinds) {
    if (kind.shortName == text) return kind;
  }
  return std::nullopt;
}

}  // namespace scopehost
