// The conversation with the PM3323, in the order it happens on the bus. The channel probe
// (for GetTransProperties) and the acquisition (for GetData) share the identification and the
// channel function query.
#include "instruments/philips/philips_driver.h"

#include <array>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>

#include "driver/module_globals.h"
#include "driver/progress.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "instruments/philips/pm3323_commands.h"
#include "instruments/philips/pm3323_replies.h"
#include "resources/resource.h"

namespace {

using namespace pm3323;

using TextBuffer = std::array<char, kTextBufferSize>;

// Whether the points of a block of `words` fit the arrays the latest probe told the host to
// provide: the channels may have been switched since. Before the first probe the word count
// limit alone bounds the block.
bool FitsAnnouncedArrays(int32_t words, bool bothChannels) {
  const std::optional<ArraySizes>& announced = Module().AnnouncedPhilipsArrays;
  if (!announced) return true;
  const int32_t points = bothChannels ? words / 2 : words;
  return points <= announced->points && HostArrays(bothChannels).arrays <= announced->arrays;
}

// Whether the identification steps the host's progress bar (the acquisition) or not (the probe).
enum class Progress { kSilent, kStepped };

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

// Opens the device and identifies it; the descriptor, or negative after a reported failure
// (with the device offline when it had been opened).
int OpenPm3323(const char* deviceName, TextBuffer& text, Progress progress) {
  const int ud = OpenInstrumentOrReport(deviceName, IDS_CANT_OPEN_PHILIPS);
  if (ud < 0 || !IdentifyPm3323(ud, text, progress)) return -1;
  return ud;
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
  TextBuffer text{};
  const int ud = OpenPm3323(deviceName, text, Progress::kStepped);
  if (ud < 0 || !PrepareInstrument(ud)) return false;
  const std::unique_ptr<char[]> reply(new (std::nothrow) char[kReplyBufferSize]);
  if (!reply) return FailLeavingOnline();
  return AcquireWaveforms(ud, text, {reply.get(), kReplyBufferSize}, buffers);
}

bool Probe(const char* deviceName, bool& bothChannelsOn) {
  TextBuffer text{};
  const int ud = OpenPm3323(deviceName, text, Progress::kSilent);
  if (ud < 0) return false;
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
  return true;
}

}  // namespace

namespace pm3323 {

ArraySizes HostArrays(bool bothChannelsOn) {
  return bothChannelsOn ? ArraySizes{kMaxWords / 2, 3} : ArraySizes{kMaxWords, 2};
}

int ProbeHostArrays(const char* deviceName, ArraySizes* sizes) {
  bool both = false;
  if (PhilipsChannelProbe(deviceName, &both) != 1) return 0;
  *sizes = HostArrays(both);
  return 1;
}

}  // namespace pm3323

int PhilipsChannelProbe(const char* deviceName, bool* bothChannelsOn) {
  bool both = false;
  if (!Probe(deviceName, both)) return 0;
  // The host sizes its arrays by this answer; an acquisition holds to it.
  Module().AnnouncedPhilipsArrays = pm3323::HostArrays(both);
  *bothChannelsOn = both;
  return 1;
}

// The host's counts are left alone: it sized its arrays from the probe.
int PhilipsDriver(WaveformBuffers* buffers, int32_t* /*points*/, int16_t* /*channels*/,
                  const char* deviceName) {
  return Acquire(buffers, deviceName) ? 1 : 0;
}
