#include "acquiring/device_names.h"

#include <charconv>

namespace scopehost {

bool IsHameg(int32_t type) {
  return type == GPIBSCOPE_HAMEG_DEV1 || type == GPIBSCOPE_HAMEG_DEV2;
}

std::optional<DeviceKind> FindDevice(std::string_view text) {
  int32_t number = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  const bool isNumber = error == std::errc{} && end == text.data() + text.size();
  for (const DeviceKind& kind : kDeviceKinds) {
    if (isNumber ? kind.type == number : kind.shortName == text) return kind;
  }
  return std::nullopt;
}

}  // namespace scopehost
