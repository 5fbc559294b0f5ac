// The TDS540's command language as the module speaks it, in the order the acquisition sends
// it. Most commands go out with their terminating zero byte before the line feed that Send
// adds; the instrument's parser ignores it. Byte counts are checked when the module compiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gpib/command_bytes.h"

namespace tds540 {

// A per-channel command: the text for channel 1, and where the channel digit stands in it.
struct ChannelCommand {
  std::string_view bytes;
  size_t digitAt;
};

constexpr std::string_view kLockAll = Sent("LOCK ALL", 8);
constexpr std::string_view kSelectQuery = Sent("SELECT?", 7);
constexpr std::string_view kHeaderOff = SentWithZero("HEADER OFF", 11);
constexpr std::string_view kHorizontalScaleQuery = SentWithZero("HOR:MAI:SCA?", 13);
constexpr std::string_view kRecordLengthQuery = SentWithZero("HOR:RECO?", 10);
constexpr ChannelCommand kVoltsQuery{SentWithZero("CH1:VOL?", 9), 2};
constexpr ChannelCommand kOffsetQuery{SentWithZero("CH1:OFFS?", 10), 2};
// Signed 16-bit samples, least significant byte first, from the record's first point.
constexpr ChannelCommand kDataSource{
    SentWithZero("DAT:SOURCE CH1;:DAT:WID 2;:DAT:ENC SRIBinary;:DAT:START 1", 58), 13};
// Followed by the last point in decimal and the zero byte: text length + 1 bytes.
constexpr std::string_view kDataStop = ":DATA:STOP ";
constexpr std::string_view kCurveQuery = SentWithZero("CURV?", 6);
constexpr std::string_view kUnlockAll = Sent("UNLOCK ALL", 10);

// Most bytes asked of each reply.
constexpr int32_t kSelectLimit = 50;
constexpr int32_t kSettingLimit = 100;    // scale, record length, volts, offset
constexpr int32_t kBlockHeaderLimit = 2;  // "#" and the digit that counts the count's digits
// One read of curve data: 50000 points of two bytes and the terminator, with room to spare, and
// an even size so every full read holds whole points.
constexpr int32_t kCurveReadSize = 100002;
static_assert(kCurveReadSize % 2 == 0);

// Every reply is read into one heap buffer of this size; text replies end with a NUL after
// their bytes, which fits because every text limit is smaller than the buffer.
constexpr size_t kReadBufferSize = kCurveReadSize;
static_assert(kSelectLimit < kCurveReadSize && kSettingLimit < kCurveReadSize);

// Fifty samples per division; one sample count is 1/6400 of a division.
constexpr double kDivisionsPerSample = 0.02;
constexpr double kDivisionsPerCount = 0.00015625;

}  // namespace tds540
