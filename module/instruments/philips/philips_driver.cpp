// The conversation with the PM3323, in the order it happens on the bus. The channel probe
// (for GetTransProperties) and the acquisition (for GetData) share the identification and the
// channel function query.
#include "instruments/philips/philips_driver.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>

#include "driver/messages.h"
#include "driver/progress.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "instruments/philips/pm3323_commands.h"
#include "instruments/philips/pm3323_replies.h"
#include "resources/resource.h"

namespace {

using namespace pm3323;

using TextBuffer = std::array<char, kTextBufferSize>;

constexpr const char* kProbedDevice = "DEV8";

// What the last successful probe told the host (through GetTransProperties), which sized its
// arrays by it: both channels, 2048 points in 3 arrays; else 4096 points in 2. Nothing before
// the first probe, when the word count limit alone bounds the block.
std::optional<bool> announcedBothChannels;

// Whether the points of a block of `words` fit the arrays the host was told to provide: the
// channels may have been switched since the probe.
bool FitsAnnouncedArrays(int32_t words, bool bothChannels) {
  if (!announcedBothChannels) return true;
  const int32_t points = bothChannels ? words / 2 : words;
  const int32_t hostPoints = *announcedBothChannels ? kMaxWords / 2 : kMaxWords;
  return points <= hostPoints && (!bothChannels || *announcedBothChannels);
}

// Whether the identification steps the host's progress bar (the acquisition) or not (the probe).
enum class Progress { kSilent, kStepped };

// A failure the user is told of: the message, then the device is let go without going local.
bool FailTakingOffline(int ud, UINT message) {
  ReportMessage(message);
  TakeOffline(ud);
  return false;
}

// A failure from the channel queries on: no message, and the device stays open and online.
bool FailLeavingOnline() {
  return false;
}

// Room for a reply of at most `limit` bytes and its NUL.
std::span<char> Room(std::span<char> buffer, int32_t limit) {
  return buffer.first(static_cast<size_t>(limit) + 1);
}

// Writes the commands, then reads at most `limit` bytes as text; only the read is judged,
// since a failed write leaves the instrument with nothing to say.
std::optional<std::string_view> Ask(int ud, std::initializer_list<std::string_view> commands,
                                    std::span<char> buffer, int32_t limit) {
  for (const std::string_view command : commands) WriteCommand(ud, command);
  return ReadText(ud, Room(buffer, limit));
}

// "IDT ?": the instrument must answer, and name itself a PM3323. A failure has been reported
// and the device taken offline.
bool IdentifyPm3323(int ud, TextBuffer& text, Progress progress) {
  const auto reply = Ask(ud, {kIdentify}, text, kIdentifyLimit);
  if (!reply) return FailTakingOffline(ud, IDS_NO_ANSWER);
  if (progress == Progress::kStepped) StepProgress();
  if (reply->find(kModelName) == std::string_view::npos)
    return FailTakingOffline(ud, IDS_INVALID_DEVICE);
  if (progress == Progress::kStepped) StepProgress();
  return true;
}

// Selects a channel and asks whether it is on; nothing when the read failed.
std::optional<bool> QueryChannelOn(int ud, std::string_view select, TextBuffer& text) {
  const auto reply = Ask(ud, {select, kFunction}, text, kFunctionLimit);
  if (!reply) return std::nullopt;
  return reply->find(kChannelOn) != std::string_view::npos;
}

// A channel's on flag, attenuation and probe; the latter two are asked even of a channel that
// is off. Nothing when a read failed.
std::optional<ChannelSettings> QueryChannel(int ud, std::string_view select, TextBuffer& text,
                                            std::span<char> reply) {
  ChannelSettings channel;
  const auto on = QueryChannelOn(ud, select, text);
  if (!on) return std::nullopt;
  channel.on = *on;
  const auto attenuation = Ask(ud, {kAttenuation}, reply, kSettingLimit);
  if (!attenuation) return std::nullopt;
  channel.attenuation = Attenuation(*attenuation);
  const auto probe = Ask(ud, {kProbe}, reply, kSettingLimit);
  if (!probe) return std::nullopt;
  channel.probeFactor = ProbeFactor(*probe);
  return channel;
}

// Front panel, auxiliary screen and memory, before anything is read from the memory.
bool PrepareInstrument(int ud) {
  if (!WriteCommand(ud, kFrontPanel)) return FailTakingOffline(ud, IDS_SEND_ERROR);
  WriteCommand(ud, kAuxiliaryScreen);  // judged with the next write
  if (!WriteCommand(ud, kMemoryOn)) return FailTakingOffline(ud, IDS_SEND_ERROR);
  return true;
}

// From the time base to the last read, with the reply buffer in hand.
bool AcquireWaveforms(int ud, TextBuffer& text, std::span<char> reply, WaveformBuffers* buffers) {
  StepProgress();
  const auto horizontal = Ask(ud, {kHorizontal}, reply, kHorizontalLimit);
  if (!horizontal) return FailTakingOffline(ud, IDS_SEND_ERROR);
  const auto timeBase = TimeBase(*horizontal);
  if (!timeBase) return FailTakingOffline(ud, IDS_ERROR);
  WriteCommand(ud, kRegister0);  // not judged
  StepProgress();

  const auto a = QueryChannel(ud, kSelectA, text, reply);
  if (!a) return FailLeavingOnline();
  StepProgress();
  const auto b = QueryChannel(ud, kSelectB, text, reply);
  if (!b) return FailLeavingOnline();
  StepProgress();

  const auto countReply =
      Ask(ud, {kTraceScreen, kAllChannels, kBinaryData, kData}, reply, kWordCountLimit);
  if (!countReply) return FailLeavingOnline();
  const auto words = WordCount(*countReply);
  if (!words || !FitsAnnouncedArrays(*words, a->on && b->on))
    return FailTakingOffline(ud, IDS_ERROR);
  const auto received = ReadBytes(ud, reply.data(), 2 * *words);
  if (!received) return FailLeavingOnline();
  StepProgress();

  // Only the bytes that arrived are converted: a short block leaves the rest of the arrays as
  // the host had them rather than filling them from stale buffer contents.
  const std::span<const uint8_t> block(reinterpret_cast<const uint8_t*>(reply.data()),
                                       static_cast<size_t>(*received));
  StoreWaveforms(block, *timeBase, *a, *b, buffers);
  StepProgress();

  if (!ReadBytes(ud, reply.data(), kTrailerLimit)) return FailLeavingOnline();
  ReleaseInstrument(ud);
  return true;
}

bool Acquire(WaveformBuffers* buffers, const char* deviceName) {
  StepProgress();
  const int ud = OpenInstrument(deviceName);
  if (ud < 0) {
    ReportFormattedMessage(IDS_CANT_OPEN_PHILIPS, deviceName);
    return false;  // nothing to close
  }
  TextBuffer text{};
  if (!IdentifyPm3323(ud, text, Progress::kStepped)) return false;
  if (!PrepareInstrument(ud)) return false;
  const std::unique_ptr<char[]> reply(new (std::nothrow) char[kReplyBufferSize]);
  if (!reply) return FailLeavingOnline();
  return AcquireWaveforms(ud, text, {reply.get(), kReplyBufferSize}, buffers);
}

bool Probe(bool& bothChannelsOn) {
  const int ud = OpenInstrument(kProbedDevice);
  if (ud < 0) {
    ReportFormattedMessage(IDS_CANT_OPEN_PHILIPS, kProbedDevice);
    return false;  // nothing to close
  }
  TextBuffer text{};
  if (!IdentifyPm3323(ud, text, Progress::kSilent)) return false;
  // Online again and identified a second time: only a device that answers twice is queried.
  Gpib.ibonl(ud, 1);
  Gpib.ibtmo(ud, kDeviceTimeout);
  if (!IdentifyPm3323(ud, text, Progress::kSilent)) return false;
  const auto a = QueryChannelOn(ud, kSelectA, text);
  if (!a) return FailLeavingOnline();
  const auto b = QueryChannelOn(ud, kSelectB, text);
  if (!b) return FailLeavingOnline();
  ReleaseInstrument(ud);
  bothChannelsOn = *a && *b;
  announcedBothChannels = bothChannelsOn;
  return true;
}

}  // namespace

int PhilipsChannelProbe(bool* bothChannelsOn) {
  bool both = false;
  if (!Probe(both)) return 0;
  *bothChannelsOn = both;
  return 1;
}

// The host's counts are left alone: it sized its arrays from the probe.
int PhilipsDriver(WaveformBuffers* buffers, int32_t* /*points*/, int16_t* /*channels*/,
                  const char* deviceName) {
  return Acquire(buffers, deviceName) ? 1 : 0;
}
