// Hameg HM408 digital storage oscilloscope on the simulated bus. It answers three commands:
//   "ID?"  its identification, "HAMEG HM408 V2.11"
//   "STA"  one status byte: bit 1 (2) when channel 1 is on, bit 2 (4) when channel 2 is on
//   "DIG"  its memory: 4096 sample bytes (channel 1 then channel 2, 2048 each, when both are
//          on; else the one channel, or the zero line, in all 4096), 16 header bytes, then
//          its settings as text: "CH1:500mV DC CH2:1V DC TB:1ms TRIG:CH1 AUTO", with
//          "XY-MODE " in front when the horizontal axis is channel 1.
// A sample byte is 127 on the zero line and 25.6 codes per division, clamped to 0..255.
//
// The HM408 predates IEEE 488.2 and reports no query error; it keeps one reply at a time and
// the next command replaces it, so a new message discards a reply not read to its end (the
// rest of a "*IDN?" a bus scan left, or of a dump read short). What lasts between
// acquisitions: the remote state (until ibloc) and the bench's settings, which no command
// changes; no output outlives the next message.
//
// Bench keys of its [[device]] table (all optional):
//   xy = false                 XY mode
//   idn = "HAMEG,HM408,..."    the reply to the IEEE 488.2 "*IDN?", which a bus scan sends to
//                              every listener; without it the query goes unanswered
//   time_per_div = 1e-3        time base, seconds per division (10 divisions across)
//   [device.ch1], [device.ch2] a channel is on when its table is given, unless present = false
//     present = true
//     volts_per_div = 1.0
//     [device.ch1.signal]      the signal at the input: shape, amplitude, frequency, offset,
//                              phase, noise, seed
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "bench_signal.h"
#include "device.h"
#include "model_registry.h"
#include "model_settings.h"

namespace gpibsim {

namespace {

constexpr std::string_view kIdentification = "HAMEG HM408 V2.11\r\n";
constexpr size_t kSampleBytes = 4096;
constexpr size_t kHeaderBytes = 16;
constexpr int kZeroLineCode = 127;
constexpr double kCodesPerDivision = 25.6;
constexpr double kDivisionsAcross = 10.0;
constexpr uint8_t kChannel1On = 0x02;
constexpr uint8_t kChannel2On = 0x04;

struct Channel {
  bool present = false;
  double voltsPerDivision = 1.0;
  Signal signal;
};

Channel ChannelFromToml(const toml::table& config, std::string_view key) {
  Channel channel;
  const toml::node* node = config.get(key);
  if (node == nullptr) return channel;
  const toml::table* table = node->as_table();
  if (table == nullptr)
    throw std::runtime_error("hm408: \"" + std::string(key) + "\" must be a table");
  channel.present = FlagSetting(*table, "hm408", "present", true);
  channel.voltsPerDivision =
      PositiveSetting(*table, "hm408", "volts_per_div", channel.voltsPerDivision);
  if (const toml::node* signal = table->get("signal")) {
    if (!signal->is_table()) {
      throw std::runtime_error("hm408: \"" + std::string(key) + ".signal\" must be a table");
    }
    channel.signal = SignalFromToml(*signal->as_table());
  }
  return channel;
}

// "500mV", "1V", "2.5us": six significant digits with the largest prefix that keeps the
// number at 1 or more, written the same whatever the host's locale.
std::string WithPrefix(double value, std::string_view unit) {
  struct Prefix {
    double factor;
    std::string_view symbol;
  };
  constexpr std::array<Prefix, 4> kPrefixes{{{1.0, ""}, {1e-3, "m"}, {1e-6, "u"}, {1e-9, "n"}}};
  const auto prefix = std::find_if(kPrefixes.begin(), kPrefixes.end() - 1,
                                   [value](const Prefix& p) { return value >= p.factor; });
  std::array<char, 32> digits{};
  const auto written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                     value / prefix->factor, std::chars_format::general, 6);
  return std::string(digits.data(), written.ptr) + std::string(prefix->symbol) + std::string(unit);
}

class Hm408 : public Device {
 public:
  explicit Hm408(const toml::table& config)
      : idn_(config["idn"].value<std::string>()),
        xyMode_(FlagSetting(config, "hm408", "xy", false)),
        secondsPerDivision_(PositiveSetting(config, "hm408", "time_per_div", 1e-3)),
        channels_{ChannelFromToml(config, "ch1"), ChannelFromToml(config, "ch2")} {}

  void OnMessage(std::span<const uint8_t> message) override {
    DropOutput();
    const std::string_view command = CommandText(message);
    if (command == "ID?") QueueReply(kIdentification);
    if (command == "STA") QueueReply(std::span<const uint8_t>(std::array{StatusByte()}));
    if (command == "DIG") QueueReply(std::span<const uint8_t>(Dump()));
    if (command == "*IDN?" && idn_) QueueReply(*idn_ + "\n");
  }

 private:
  uint8_t StatusByte() const {
    return static_cast<uint8_t>((channels_[0].present ? kChannel1On : 0) |
                                (channels_[1].present ? kChannel2On : 0));
  }

  Bytes Dump() const {
    const bool both = channels_[0].present && channels_[1].present;
    const size_t perChannel = both ? kSampleBytes / 2 : kSampleBytes;
    Bytes dump(kSampleBytes, static_cast<uint8_t>(kZeroLineCode));
    auto next = dump.begin();
    for (const Channel& channel : channels_) {
      if (!channel.present) continue;
      const double interval =
          secondsPerDivision_ * kDivisionsAcross / static_cast<double>(perChannel);
      for (size_t k = 0; k < perChannel; ++k)
        *next++ = Code(channel, static_cast<double>(k) * interval);
    }
    dump.insert(dump.end(), kHeaderBytes, 0);
    const std::string settings = SettingsText();
    dump.insert(dump.end(), settings.begin(), settings.end());
    return dump;
  }

  static uint8_t Code(const Channel& channel, double t) {
    const double codes = channel.signal.At(t) / channel.voltsPerDivision * kCodesPerDivision;
    const double code = std::clamp(std::round(codes) + kZeroLineCode, 0.0, 255.0);
    return static_cast<uint8_t>(code);
  }

  std::string SettingsText() const {
    std::string text = xyMode_ ? "XY-MODE " : "";
    text += "CH1:" + WithPrefix(channels_[0].voltsPerDivision, "V") + " DC ";
    text += "CH2:" + WithPrefix(channels_[1].voltsPerDivision, "V") + " DC ";
    text += "TB:" + WithPrefix(secondsPerDivision_, "s") + " TRIG:CH1 AUTO\r\n";
    return text;
  }

  std::optional<std::string> idn_;
  bool xyMode_;
  double secondsPerDivision_;
  std::array<Channel, 2> channels_;
};

const ModelRegistration kHm408("hm408", [](const toml::table& config) -> std::unique_ptr<Device> {
  return std::make_unique<Hm408>(config);
});

}  // namespace

}  // namespace gpibsim
