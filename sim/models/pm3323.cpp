// Philips PM3323: a two-channel digital storage oscilloscope with an 8-bit converter and a
// memory of 4096 words, speaking short mnemonics ending in a line feed.
//
// Bench keys of a [[device]] with model = "pm3323" (all optional):
//   identification = "PHILIPS PM3323/..."  the "IDT ?" reply, without its line feed
//   idn = "PHILIPS,PM3323,..."             the reply to the IEEE 488.2 "*IDN?", which a bus
//                                          scan sends to every listener; without it the
//                                          query goes unanswered
//   time_base = 1.0e-3                     seconds per division ("HOR ?" answers TIM)
//   words = 4096                           16-bit words in the memory (0 to 32767)
//   [device.a], [device.b]                 the two channels:
//     on = true                            whether the channel is displayed ("FCN ?")
//     attenuation = 0.5                    volts per division ("ATT ?")
//     probe = "LOW_1:10"                   "UNKNOWN", "CURRENT", "LOW_1:100", "LOW_1:10",
//                                          "HIGH_1:10", "HIGH_1:100", "HV_ISOLATION", or a
//                                          number for a probe of that factor ("PRO ?")
//     [device.a.signal]                    the signal at the probe tip (see bench_signal.h)
//
// "VER A" and "VER B" select the channel that "FCN ?", "ATT ?" and "PRO ?" describe. Only
// register 0 ("REG 0") of a memory that is on ("MEM ON"), shown on the trace screen
// ("MSC TRACE") and sent in binary ("DATA_TYPE BINARY") has a waveform to send; otherwise
// "DAT ?" counts 0 words. The front-panel command ("FRO") is accepted and changes nothing
// the bus sees.
// "DAT ?" answers the word count, then the memory as one binary message, then a line feed as
// a message of its own. Each word is a sign byte and an 8-bit two's-complement sample counted
// in 1/102.4 of the displayed volts per division (attenuation times probe factor). With
// "CHANNEL ALL" the words of the channels that are on alternate A, B; a point spans
// time_base / 400 seconds with one channel in the memory and twice that with two. With no
// channel on, the memory holds channel B.
//
// The PM3323 predates IEEE 488.2 and has no event status register; its output buffer holds
// the replies to the latest command, and a new command starts it afresh, so a new message
// discards whatever was not read (the rest of a "*IDN?" a bus scan left, the memory of a
// "DAT ?" abandoned after its count). What lasts between acquisitions: the remote state
// (until ibloc) and the settings commands change: the selected channel (VER), screen (MSC),
// memory (MEM), register (REG), channel mode (CHANNEL) and data type (DATA_TYPE).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_signal.h"
#include "device.h"
#include "model_registry.h"
#include "model_settings.h"

namespace gpibsim {

namespace {

constexpr double kCountsPerDivision = 102.4;
constexpr double kDivisionsPerPoint = 0.0025;  // 4096 points span 10.24 divisions
constexpr int64_t kMaxWords = 32767;

struct ProbeName {
  const char* name;
  double factor;
};
// The probes the instrument recognises. An isolation probe does not tell its factor; its
// samples are taken as for a 1:1 probe.
constexpr ProbeName kProbes[] = {
    {"UNKNOWN", 1.0},      {"CURRENT", 1.0},       {"LOW_1:100", 100.0},  {"LOW_1:10", 10.0},
    {"HIGH_1:10", 1000.0}, {"HIGH_1:100", 1000.0}, {"HV_ISOLATION", 1.0},
};

struct Channel {
  bool on = true;
  double attenuation = 0.5;
  std::string probe = "UNKNOWN";  // as "PRO ?" names it
  double probeFactor = 1.0;
  Signal signal;

  double VoltsPerCount() const { return attenuation * probeFactor / kCountsPerDivision; }
  // The sample at time t, rounded and limited to the converter's range.
  int8_t SampleAt(double t) const {
    const double counts = std::round(signal.At(t) / VoltsPerCount());
    return static_cast<int8_t>(std::clamp(counts, -128.0, 127.0));
  }
};

std::string Formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void ReadProbe(const toml::node& node, Channel& channel) {
  if (const auto name = node.value<std::string>(); node.is_string() && name) {
    const auto* known = std::find_if(std::begin(kProbes), std::end(kProbes),
                                     [&](const ProbeName& probe) { return *name == probe.name; });
    if (known == std::end(kProbes))
      throw std::runtime_error("pm3323: unknown probe \"" + *name + "\"");
    channel.probe = *name;
    channel.probeFactor = known->factor;
    return;
  }
  const std::optional<double> factor = node.value<double>();
  if (!node.is_number() || !factor || !(*factor > 0.0))
    throw std::runtime_error("pm3323: \"probe\" must be a probe name or a positive factor");
  channel.probe = Formatted("%g", *factor);
  channel.probeFactor = *factor;
}

Channel ReadChannel(const toml::table& config, std::string_view key) {
  Channel channel;
  const toml::table* table = config[key].as_table();
  if (table == nullptr) return channel;
  if (const toml::node* on = table->get("on")) {
    if (!on->is_boolean()) throw std::runtime_error("pm3323: \"on\" must be true or false");
    channel.on = on->value_or(true);
  }
  channel.attenuation = PositiveSetting(*table, "pm3323", "attenuation", channel.attenuation);
  if (const toml::node* probe = table->get("probe")) ReadProbe(*probe, channel);
  if (const toml::table* signal = (*table)["signal"].as_table())
    channel.signal = SignalFromToml(*signal);
  return channel;
}

class Pm3323 : public Device {
 public:
  explicit Pm3323(const toml::table& config)
      : identification_(config["identification"].value_or<std::string>("PHILIPS PM3323/40 V3.2")),
        idn_(config["idn"].value<std::string>()),
        timeBase_(PositiveSetting(config, "pm3323", "time_base", 1.0e-3)),
        words_(config["words"].value_or<int64_t>(4096)),
        channels_{ReadChannel(config, "a"), ReadChannel(config, "b")} {
    if (words_ < 0 || words_ > kMaxWords)
      throw std::runtime_error("pm3323: \"words\" must be 0 to 32767");
  }

  void OnMessage(std::span<const uint8_t> message) override {
    DropOutput();
    const std::string_view command = CommandText(message);
    if (command == "IDT ?") return Answer("IDT " + identification_);
    if (command == "*IDN?" && idn_) return Answer(*idn_);
    if (command == "HOR ?") return Answer("HOR TIM" + Formatted("%.3E", timeBase_) + ",MTB");
    if (command == "FCN ?") return Answer(Selected().on ? "FCN ON" : "FCN OFF");
    if (command == "ATT ?") return Answer("ATT " + Formatted("%g", Selected().attenuation));
    if (command == "PRO ?") return Answer("PRO " + Selected().probe);
    if (command == "DAT ?") return SendMemory();
    if (command == "VER A") selected_ = 0;
    if (command == "VER B") selected_ = 1;
    if (command.starts_with("MSC ")) screen_ = std::string(command.substr(4));
    if (command.starts_with("MEM ")) memoryOn_ = command == "MEM ON";
    if (command.starts_with("REG ")) register_ = std::string(command.substr(4));
    if (command.starts_with("CHANNEL ")) allChannels_ = command == "CHANNEL ALL";
    if (command.starts_with("DATA_TYPE ")) binary_ = command == "DATA_TYPE BINARY";
  }

 private:
  void Answer(const std::string& text) { QueueReply(text + "\n"); }

  const Channel& Selected() const { return channels_[selected_]; }

  // The channels whose words fill the memory, in the order they alternate.
  std::vector<const Channel*> ChannelsInMemory() const {
    std::vector<const Channel*> stored;
    if (allChannels_) {
      for (const Channel& channel : channels_)
        if (channel.on) stored.push_back(&channel);
    } else if (Selected().on) {
      stored.push_back(&Selected());
    }
    if (stored.empty()) stored.push_back(&channels_[1]);
    return stored;
  }

  // The word count, the memory and its closing line feed, each a message of its own.
  void SendMemory() {
    const bool ready = memoryOn_ && binary_ && screen_ == "TRACE" && register_ == "0";
    const int64_t words = ready ? words_ : 0;
    Answer("DAT " + std::to_string(words));
    QueueReply(Memory(words));  // an empty memory sends no message
    Answer("");
  }

  Bytes Memory(int64_t words) const {
    const std::vector<const Channel*> stored = ChannelsInMemory();
    const double pointTime = timeBase_ * kDivisionsPerPoint * static_cast<double>(stored.size());
    Bytes block;
    block.reserve(static_cast<size_t>(2 * words));
    for (int64_t word = 0; word < words; ++word) {
      const auto point = static_cast<size_t>(word) / stored.size();
      const Channel& channel = *stored[static_cast<size_t>(word) % stored.size()];
      const int8_t sample = channel.SampleAt(static_cast<double>(point) * pointTime);
      block.push_back(sample < 0 ? 0xFF : 0x00);  // the sign, extended into the unused byte
      block.push_back(static_cast<uint8_t>(sample));
    }
    return block;
  }

  std::string identification_;
  std::optional<std::string> idn_;
  double timeBase_;
  int64_t words_;
  Channel channels_[2];
  size_t selected_ = 0;
  std::string screen_ = "TRACE";
  std::string register_ = "0";
  bool memoryOn_ = false;
  bool allChannels_ = false;
  bool binary_ = false;
};

const ModelRegistration kPm3323("pm3323", [](const toml::table& config) {
  return std::unique_ptr<Device>(std::make_unique<Pm3323>(config));
});

}  // namespace

}  // namespace gpibsim
