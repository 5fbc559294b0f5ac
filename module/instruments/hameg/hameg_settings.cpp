#include "instruments/hameg/hameg_settings.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace hameg {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

double Multiplier(char unitPrefix) {
  switch (unitPrefix) {
    case 'm':
      return 1e-3;
    case 'u':
      return 1e-6;
    case 'n':
      return 1e-9;
    default:
      return 1.0;
  }
}

}  // namespace

std::string_view SettingsText(std::span<const uint8_t> dump, size_t received) {
  received = std::min(received, dump.size());
  if (received <= kSettingsStart) return {};
  // The instrument does not terminate its dump: the text ends where the bytes received end.
  const std::string_view text(reinterpret_cast<const char*>(dump.data()) + kSettingsStart,
                              received - kSettingsStart);
  return text.substr(0, text.find('\0'));
}

std::string_view CopyToScratch(ScratchBuffer& scratch, std::string_view source, size_t limit) {
  scratch.fill('\0');
  const size_t length = std::min({limit, source.size(), scratch.size() - 1});
  std::copy_n(source.begin(), length, scratch.begin());
  return {scratch.data(), length};
}

bool ReadXYMode(std::string_view settings, ScratchBuffer& scratch) {
  const std::string_view head = CopyToScratch(scratch, settings, kModeSearchLength);
  return std::any_of(kXYModeKeys.begin(), kXYModeKeys.end(),
                     [head](std::string_view key) { return head.find(key) != head.npos; });
}

std::optional<double> ReadSetting(std::string_view settings, const SettingKey& key,
                                  ScratchBuffer& scratch) {
  const size_t at = settings.find(key.name);
  if (at == settings.npos) return std::nullopt;
  const size_t valueAt = std::min(at + key.valueOffset, settings.size());
  return ReadNumber(CopyToScratch(scratch, settings.substr(valueAt), kNumberCopyLength));
}

double ReadNumber(std::string_view text) {
  const char* const end = text.data() + text.size();
  const char* cursor = text.data();
  while (cursor != end && IsSpace(*cursor)) ++cursor;
  const bool negative = cursor != end && *cursor == '-';
  if (cursor != end && (*cursor == '-' || *cursor == '+')) ++cursor;

  // Decimal only, and independent of the host's locale, which may use a decimal comma.
  double value = 0.0;
  const char* after = text.data();  // nothing converted: the first character picks the prefix
  if (cursor != end && (IsDigit(*cursor) || *cursor == '.')) {
    const auto [stop, error] = std::from_chars(cursor, end, value, std::chars_format::general);
    if (stop != cursor) {
      after = stop;
      if (error == std::errc::result_out_of_range) value = 0.0;
      if (negative) value = -value;
    }
  }
  const char unitPrefix = after != end ? *after : '\0';
  return value * Multiplier(unitPrefix);
}

}  // namespace hameg
