// The PM3323's command language as the module speaks it: short mnemonics ending in a line
// feed, queries ending in " ?". Each command is written with exactly the bytes stated (its line
// feed included, no NUL); each read asks for at most the limit stated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gpib/command_bytes.h"

namespace pm3323 {

constexpr std::string_view kIdentify = Sent("IDT ?\n", 6);
constexpr std::string_view kFrontPanel = Sent("FRO 0\n", 6);
constexpr std::string_view kAuxiliaryScreen = Sent("MSC AUX\n", 8);
constexpr std::string_view kMemoryOn = Sent("MEM ON\n", 7);
constexpr std::string_view kHorizontal = Sent("HOR ?\n", 6);
constexpr std::string_view kRegister0 = Sent("REG 0\n", 6);
constexpr std::string_view kSelectA = Sent("VER A\n", 6);
constexpr std::string_view kSelectB = Sent("VER B\n", 6);
constexpr std::string_view kFunction = Sent("FCN ?\n", 6);
constexpr std::string_view kAttenuation = Sent("ATT ?\n", 6);
constexpr std::string_view kProbe = Sent("PRO ?\n", 6);
constexpr std::string_view kTraceScreen = Sent("MSC TRACE\n", 10);
constexpr std::string_view kAllChannels = Sent("CHANNEL ALL\n", 12);
constexpr std::string_view kBinaryData = Sent("DATA_TYPE BINARY\n", 17);
constexpr std::string_view kData = Sent("DAT ?\n", 6);

// Most bytes asked of each reply.
constexpr int32_t kIdentifyLimit = 50;
constexpr int32_t kFunctionLimit = 20;
constexpr int32_t kHorizontalLimit = 200;
constexpr int32_t kSettingLimit = 100;  // "ATT ?" and "PRO ?"
constexpr int32_t kWordCountLimit = 13;
constexpr int32_t kTrailerLimit = 10;

// The identification must name the instrument; channel function replies say "ON" when on.
constexpr std::string_view kModelName = "PM3323";
constexpr std::string_view kChannelOn = "ON";

// The small buffer holds the identification and function replies; the heap buffer holds every
// other reply and the data block. Each text reply needs one byte more than its limit for its NUL.
constexpr size_t kTextBufferSize = kIdentifyLimit + 1;
constexpr size_t kReplyBufferSize = 10000;

// A full memory is 4096 words; a larger count is refused, which also keeps the block and its
// terminator inside the reply buffer.
constexpr int32_t kMaxWords = 4096;
static_assert(2 * kMaxWords + 1 <= static_cast<int32_t>(kReplyBufferSize));
static_assert(kFunctionLimit < kIdentifyLimit && kHorizontalLimit < kReplyBufferSize);

}  // namespace pm3323
