// The settings text a Hameg HM408 appends to its memory dump, and the values the driver takes
// from it: volts per division of each channel, the time base, and whether the horizontal
// axis is channel 1 (XY mode) rather than time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace hameg {

// Dump layout: samples, 16 bytes the driver leaves alone, then the settings text.
constexpr size_t kSampleBytes = 4096;
constexpr size_t kSettingsStart = 4112;

// The driver's one text buffer: a 50-byte reply and its NUL. It stages each command, takes
// the identification and status replies, and later each settings value as it is read.
using ScratchBuffer = std::array<char, 51>;

// A key of the settings text and where its number starts, counted from the key's first
// character (so "CH1:500mV" has its number 4 characters on).
struct SettingKey {
  std::string_view name;
  size_t valueOffset;
};
constexpr SettingKey kChannel1Key{"CH1", 4};
constexpr SettingKey kChannel2Key{"CH2", 4};
constexpr SettingKey kTimeBaseKey{"TB", 3};

// Any of these within the first 49 characters means XY mode.
constexpr std::array<std::string_view, 3> kXYModeKeys{"EXT", "RANGE", "XY-MODE"};
constexpr size_t kModeSearchLength = 49;
// A number is read from at most this many characters.
constexpr size_t kNumberCopyLength = 12;

// The settings text of a dump of which `received` bytes arrived: from byte 4112 up to the
// first NUL or the end of what arrived; empty when fewer than 4112 bytes arrived.
std::string_view SettingsText(std::span<const uint8_t> dump, size_t received);

// Clears the scratch buffer and copies at most `limit` characters of `source` into it; the
// copy is always NUL-terminated.
std::string_view CopyToScratch(ScratchBuffer& scratch, std::string_view source, size_t limit);

// True when "EXT", "RANGE" or "XY-MODE" occurs within the first 49 characters.
bool ReadXYMode(std::string_view settings, ScratchBuffer& scratch);

// The number of the key's first occurrence, even inside a longer word; nothing when the key
// is absent.
std::optional<double> ReadSetting(std::string_view settings, const SettingKey& key,
                                  ScratchBuffer& scratch);

// The longest leading decimal number (white space skipped; sign, fraction and exponent
// allowed), scaled by the character right after it: 'm' 1e-3, 'u' 1e-6, 'n' 1e-9. When no
// number converts, the value is 0.
double ReadNumber(std::string_view text);

}  // namespace hameg
