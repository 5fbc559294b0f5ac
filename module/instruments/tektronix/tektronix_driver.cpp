// The conversation with the TDS540, in the order it happens on the bus: lock the front panel,
// clear, read which channels are on and the horizontal settings, then each channel's scale and
// curve, and unlock. Every call is a board-level call to the scanned address. A failure is
// reported once and ends the run by a framework exception; the unlock follows on every path.
#include "instruments/tektronix/tektronix_driver.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string_view>

#include "driver/messages.h"
#include "driver/progress.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "gpib/reply_numbers.h"
#include "instruments/sample_times.h"
#include "instruments/tektronix/tds540_commands.h"
#include "platform/exceptions.h"
#include "resources/resource.h"

namespace {

using namespace tds540;

constexpr int kChannelCount = 4;
using ChannelFlags = std::array<bool, kChannelCount>;

// A per-channel command with its channel digit in place.
class ChannelCommandBytes {
 public:
  ChannelCommandBytes(const ChannelCommand& command, int channel) : size_(command.bytes.size()) {
    std::copy(command.bytes.begin(), command.bytes.end(), bytes_.begin());
    bytes_[command.digitAt] = static_cast<char>('0' + channel);
  }
  std::string_view View() const { return {bytes_.data(), size_}; }

 private:
  std::array<char, 64> bytes_{};
  size_t size_;
};
static_assert(kDataSource.bytes.size() <= 64);

// Gives the front panel back on every path, failed ones included: Send() on the way out of a
// run, or the destructor when an exception leaves it (nothing more is reported then).
class FrontPanelUnlock {
 public:
  explicit FrontPanelUnlock(Addr4882_t address) : address_(address) {}
  ~FrontPanelUnlock() {
    if (!sent_) SendToAddress(address_, kUnlockAll);
  }
  FrontPanelUnlock(const FrontPanelUnlock&) = delete;
  FrontPanelUnlock& operator=(const FrontPanelUnlock&) = delete;

  // True unless ERR.
  bool Send() {
    sent_ = true;
    return SendToAddress(address_, kUnlockAll);
  }

 private:
  Addr4882_t address_;
  bool sent_ = false;
};

[[noreturn]] void Fail(UINT message) {
  ReportMessage(message);
  AfxThrowUserException();
}

void SendCommand(Addr4882_t address, std::string_view bytes) {
  if (!SendToAddress(address, bytes)) Fail(IDS_SEND_ERROR);
}

int32_t ReceiveBytes(Addr4882_t address, std::span<char> buffer, int32_t limit) {
  const auto count = ReceiveFromAddress(address, buffer.data(), limit);
  if (!count) Fail(IDS_RECEIVE_ERROR);
  return *count;
}

// Reads at most limit bytes and ends them with a NUL, so nothing past the reply is looked at.
std::string_view ReceiveText(Addr4882_t address, std::span<char> buffer, int32_t limit) {
  const int32_t count = ReceiveBytes(address, buffer, limit);
  buffer[static_cast<size_t>(count)] = '\0';
  return {buffer.data(), static_cast<size_t>(count)};
}

std::string_view Ask(Addr4882_t address, std::string_view query, std::span<char> buffer,
                     int32_t limit) {
  SendCommand(address, query);
  return ReceiveText(address, buffer, limit);
}

// The record length as stored: at most what the host's arrays hold; a negative or unreadable
// length stores nothing.
int32_t ToStoredPoints(std::string_view text) {
  const long length = ReadInteger(text);
  return static_cast<int32_t>(std::clamp<long>(length, 0, kHostArrays.points));
}

// "SELECT?" answers 1 or 0 for channels 1 to 4 at offsets 0, 2, 4 and 6. A channel is on when
// the digits there are not all 0; a position the reply does not reach reads as off.
ChannelFlags ToChannelFlags(std::string_view reply) {
  ChannelFlags on{};
  for (size_t channel = 0; channel < on.size(); ++channel) {
    for (size_t at = 2 * channel; at < reply.size() && reply[at] >= '0' && reply[at] <= '9'; ++at) {
      if (reply[at] != '0') on[channel] = true;
    }
  }
  return on;
}

double ReadSampleInterval(Addr4882_t address, std::span<char> buffer) {
  SendCommand(address, kHorizontalScaleQuery);
  StepProgress();
  const double secondsPerDivision = ReadReal(ReceiveText(address, buffer, kSettingLimit));
  return secondsPerDivision * kDivisionsPerSample;
}

ChannelScale ReadChannelScale(Addr4882_t address, std::span<char> buffer, int channel) {
  ChannelScale scale;
  scale.voltsPerDivision = ReadReal(
      Ask(address, ChannelCommandBytes(kVoltsQuery, channel).View(), buffer, kSettingLimit));
  scale.offset = ReadReal(
      Ask(address, ChannelCommandBytes(kOffsetQuery, channel).View(), buffer, kSettingLimit));
  return scale;
}

// Asks for the channel's points 1 to `points` as signed 16-bit binary.
void RequestCurve(Addr4882_t address, int channel, int32_t points) {
  SendCommand(address, ChannelCommandBytes(kDataSource, channel).View());
  char stop[32];
  const int length = std::snprintf(stop, sizeof stop, "%.*s%d", static_cast<int>(kDataStop.size()),
                                   kDataStop.data(), points);
  SendCommand(address, std::string_view(stop, static_cast<size_t>(length) + 1));  // and its zero
  SendCommand(address, kCurveQuery);
}

// The block starts "#<n>" and n digits of byte count; the count is not needed, since the data
// reads end at the instrument's end of message.
void SkipBlockHeader(Addr4882_t address, std::span<char> buffer) {
  const std::string_view header = ReceiveText(address, buffer, kBlockHeaderLimit);
  const int32_t countDigits =
      header.size() > 1 && header[1] >= '0' && header[1] <= '9' ? header[1] - '0' : 0;
  ReceiveBytes(address, buffer, countDigits);
}

// The sample at `point`: a signed 16-bit integer, least significant byte first. Copied whole,
// so that the conversion loop runs vectorised.
int16_t SampleAt(const char* data, size_t point) {
  uint16_t bits;
  std::memcpy(&bits, data + 2 * point, sizeof bits);
  if constexpr (std::endian::native == std::endian::big)
    bits = static_cast<uint16_t>((bits << 8) | (bits >> 8));
  return static_cast<int16_t>(bits);
}

// volts[j] = ((sample j x volts per division) x 1/6400) + offset, in that order.
void ConvertToVolts(const char* data, ChannelScale scale, std::span<double> volts) {
  double* const out = volts.data();
  for (size_t j = 0; j < volts.size(); ++j)
    out[j] = (SampleAt(data, j) * scale.voltsPerDivision) * kDivisionsPerCount + scale.offset;
}

// Reads the curve data in pieces of kCurveReadSize bytes; a piece that fills the read means more
// may follow, anything shorter ends the block (its odd last byte is the terminator).
void ReadCurve(Addr4882_t address, std::span<char> buffer, const ChannelScale& scale,
               double interval, std::span<double> volts, std::span<double> time) {
  size_t point = 0;
  int32_t received = 0;
  do {
    received = ReceiveBytes(address, buffer, kCurveReadSize);
    point = ConvertCurve(buffer.first(static_cast<size_t>(received)), scale, interval, point, volts,
                         time);
  } while (received == kCurveReadSize);
}

void ReadChannel(Addr4882_t address, std::span<char> buffer, int channel, int32_t points,
                 double interval, WaveformBuffers* buffers) {
  const ChannelScale scale = ReadChannelScale(address, buffer, channel);
  RequestCurve(address, channel, points);
  SkipBlockHeader(address, buffer);
  const auto stored = static_cast<size_t>(points);
  ReadCurve(address, buffer, scale, interval, {buffers->arrays[channel], stored},
            {buffers->arrays[0], stored});
}

// Everything between locking and unlocking; any failure has been reported and raised.
void Acquire(Addr4882_t address, std::span<char> buffer, WaveformBuffers* buffers, int32_t* points,
             int16_t* channels) {
  Gpib.DevClear(kBoard, address);
  if (LastCallFailed()) Fail(IDS_DEVICE_CLEAR_ERROR);
  StepProgress();

  // Read before "HEADER OFF": an instrument still answering with headers gives no flags here.
  const ChannelFlags on = ToChannelFlags(Ask(address, kSelectQuery, buffer, kSelectLimit));
  SendCommand(address, kHeaderOff);
  const double interval = ReadSampleInterval(address, buffer);
  *points = ToStoredPoints(Ask(address, kRecordLengthQuery, buffer, kSettingLimit));
  StepProgress();

  // Only the arrays the host provides: channel i needs array i, and there are *channels of them.
  const int lastChannel = std::min<int>(*channels - 1, kChannelCount);
  for (int channel = 1; channel <= lastChannel; ++channel) {
    StepProgress();
    if (on[static_cast<size_t>(channel - 1)])
      ReadChannel(address, buffer, channel, *points, interval, buffers);
  }
  StepProgress();
}

}  // namespace

namespace tds540 {

size_t ConvertCurve(std::span<const char> data, const ChannelScale& scale, double interval,
                    size_t firstPoint, std::span<double> volts, std::span<double> time) {
  const size_t samples = data.size() / 2;
  const size_t room = std::min(volts.size(), time.size());
  const size_t from = std::min(firstPoint, room);
  const size_t stored = std::min(samples, room - from);  // the rest is read and dropped
  ConvertToVolts(data.data(), scale, volts.subspan(from, stored));
  instruments::WriteSampleTimes(time.subspan(from, stored), from, interval);
  return firstPoint + samples;
}

}  // namespace tds540

int TektronixDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels, int address) {
  const auto instrument = static_cast<Addr4882_t>(address);
  // Armed before "LOCK ALL" goes out, so that even an exception the framework handler below
  // does not catch (a std::bad_alloc while a message is built) leaves the panel unlocked.
  FrontPanelUnlock unlock(instrument);
  int result = 1;
  std::unique_ptr<char[]> readBuffer;
  try {
    SendCommand(instrument, kLockAll);
    readBuffer.reset(new (std::nothrow) char[kReadBufferSize]);
    if (readBuffer == nullptr) {
      ReportMessage(IDS_NO_MEMORY);
      AfxThrowMemoryException();
    }
    Acquire(instrument, {readBuffer.get(), kReadBufferSize}, buffers, points, channels);
  } catch (CException* failure) {
    result = 0;  // already reported where it happened
    failure->Delete();
  }
  if (!unlock.Send()) {
    ReportMessage(IDS_SEND_ERROR);
    result = 0;
  }
  return result;  // the read buffer is released here
}
