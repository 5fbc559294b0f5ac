#include "instruments/hameg/hameg_settings.h"

#include <algorithm>

#include "gpib/reply_numbers.h"

namespace hameg {

namespace {

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
  const LeadingReal number = ReadLeadingReal(text);
  // When nothing converts, end is 0 and the first character picks the prefix.
  const char unitPrefix = number.end < text.size() ? text[number.end] : '\0';
  return number.value * Multiplier(unitPrefix);
}

}  // namespace hameg
