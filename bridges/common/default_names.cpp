#include <charconv>

#include "bridge.h"

namespace gpib_bridge {

namespace {

constexpr int32_t kDefaultDevices = 16;

bool StartsWithDev(std::string_view name) {
  if (name.size() < 3) return false;
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return upper(name[0]) == 'D' && upper(name[1]) == 'E' && upper(name[2]) == 'V';
}

}  // namespace

std::optional<DefaultDevice> DefaultDeviceNamed(std::string_view name) {
  if (!StartsWithDev(name)) return std::nullopt;
  const std::string_view digits = name.substr(3);
  // "DEV01" or "DEV+1" is no default name.
  if (digits.empty() || digits.front() < '1' || digits.front() > '9') return std::nullopt;
  int32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  if (number > kDefaultDevices) return std::nullopt;
  return DefaultDevice{.board = 0, .pad = number, .timeout = T10s};
}

}  // namespace gpib_bridge
