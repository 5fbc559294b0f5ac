// Tektronix TDS540: a four-channel digitizing oscilloscope speaking Tektronix's command
// language: commands separated by ";", a leading ":" starting again from the root, keywords
// in a short or long form (HOR or HORIZONTAL), any case. Trailing NUL bytes before the line
// feed are ignored, as the instrument's parser skips them.
//
// Bench keys of a [[device]] with model = "tds540" (all optional):
//   identification = "TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3"   the "*IDN?" reply
//   header = false             whether replies start with their header, as "HEADER ON" sets;
//                              the module turns it off, so a bench sets true to show a first
//                              run against an instrument fresh from power-on
//   time_per_div = 1e-3        seconds per division ("HOR:MAI:SCA?"); 50 points per division
//   record_length = 500        points per record ("HOR:RECO?"), 1 to 50000
//   [device.ch1] ... [device.ch4]   a channel is on ("SELECT?") when its table is given,
//                                   unless on = false
//     on = true
//     volts_per_div = 1.0      ("CHn:VOL?")
//     offset = 0.0             volts ("CHn:OFFS?")
//     [device.ch1.signal]      the signal at the input (see bench_signal.h)
//
// "CURV?" sends the source channel's points DATA:START to DATA:STOP (within the record) as a
// definite-length block "#<n><count>" of signed integers, width 1 or 2, least significant
// byte first with SRIBinary or first-most with RIBinary, then a line feed. A sample is
// (volts - offset) / volts per division times 6400 (25 at width 1), limited to the integer's
// range. A channel that is off has no curve: the query goes unanswered. "LOCK ALL" and
// "UNLOCK ALL" (or "LOCK NONE") lock and free the front panel.
//
// As IEEE 488.2 message exchange has it, a new message interrupts a reply not read to its end:
// the rest is discarded and the query error bit (4) of the event status register is set.
// "*ESR?" answers that register and empties it, as "*CLS" does. What lasts between
// acquisitions: the remote state (until ibloc), the front-panel lock, the event status
// register, and the settings commands change: HEADER, DATA:SOURCE, WIDTH, ENCDG, START, STOP.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
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

constexpr int kChannels = 4;
constexpr int64_t kMaxRecordLength = 50000;
constexpr double kDivisionsPerPoint = 0.02;
constexpr double kCountsPerDivision16 = 6400.0;
constexpr double kCountsPerDivision8 = 25.0;
constexpr int kQueryError = 0x04;  // QYE bit of the event status register

struct Channel {
  bool on = false;
  double voltsPerDivision = 1.0;
  double offset = 0.0;
  Signal signal;

  // The sample of width 1 or 2 bytes at time t.
  int32_t SampleAt(double t, int width) const {
    const double perDivision = width == 1 ? kCountsPerDivision8 : kCountsPerDivision16;
    const double limit = width == 1 ? 127.0 : 32767.0;
    const double counts = std::round((signal.At(t) - offset) / voltsPerDivision * perDivision);
    return static_cast<int32_t>(std::clamp(counts, -limit - 1.0, limit));
  }
};

std::string Nr3(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3E", value);
  return text;
}

Channel ReadChannel(const toml::table& config, int number) {
  Channel channel;
  const std::string key = "ch" + std::to_string(number);
  const toml::node* node = config.get(key);
  if (node == nullptr) return channel;
  const toml::table* table = node->as_table();
  if (table == nullptr) throw std::runtime_error("tds540: \"" + key + "\" must be a table");
  channel.on = FlagSetting(*table, "tds540", "on", true);
  channel.voltsPerDivision = PositiveSetting(*table, "tds540", "volts_per_div", 1.0);
  channel.offset = NumberSetting(*table, "tds540", "offset", 0.0);
  if (const toml::node* signal = table->get("signal")) {
    if (!signal->is_table())
      throw std::runtime_error("tds540: \"" + key + ".signal\" must be a table");
    channel.signal = SignalFromToml(*signal->as_table());
  }
  return channel;
}

// A keyword written with its short form in capitals ("HORizontal") matches the short form, the
// long form, or anything between, in any case.
bool Is(std::string_view token, std::string_view keyword) {
  const auto shortLength = static_cast<size_t>(
      std::count_if(keyword.begin(), keyword.end(), [](char c) { return std::isupper(c); }));
  if (token.size() < shortLength || token.size() > keyword.size()) return false;
  return std::equal(token.begin(), token.end(), keyword.begin(), [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
  });
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// "CH1" to "CH4": the channel's index 0 to 3.
std::optional<int> ChannelIndex(std::string_view token) {
  if (token.size() != 3 || !Is(token.substr(0, 2), "CH") || token[2] < '1' || token[2] > '4')
    return std::nullopt;
  return token[2] - '1';
}

std::optional<int64_t> Integer(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// One command of a message: its header path, whether it asks, and its argument.
struct Command {
  std::vector<std::string_view> path;
  bool query = false;
  std::string_view argument;
};

// Splits a message into commands. A command that does not start with ":" or "*" continues
// from the node of the command before it.
std::vector<Command> Parse(std::string_view text) {
  std::vector<Command> commands;
  std::vector<std::string_view> branch;
  while (!text.empty()) {
    const size_t end = std::min(text.find(';'), text.size());
    std::string_view part = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    if (part.empty()) continue;

    Command command;
    const bool fromRoot = part.front() == ':' || part.front() == '*';
    if (part.front() == ':') part.remove_prefix(1);
    const size_t space = std::min(part.find(' '), part.size());
    std::string_view header = part.substr(0, space);
    command.argument = part.substr(std::min(space + 1, part.size()));
    if (header.ends_with('?')) {
      command.query = true;
      header.remove_suffix(1);
    }
    if (!fromRoot) command.path = branch;
    for (size_t colon; (colon = header.find(':')) != std::string_view::npos;) {
      command.path.push_back(header.substr(0, colon));
      header.remove_prefix(colon + 1);
    }
    command.path.push_back(header);
    branch.assign(command.path.begin(), command.path.end() - 1);
    commands.push_back(std::move(command));
  }
  return commands;
}

class Tds540 : public Device {
 public:
  explicit Tds540(const toml::table& config)
      : identification_(config["identification"].value_or<std::string>(
            "TEKTRONIX,TDS 540,0,CF:91.1CT FV:v2.1.3")),
        header_(FlagSetting(config, "tds540", "header", false)),
        secondsPerDivision_(PositiveSetting(config, "tds540", "time_per_div", 1.0e-3)),
        recordLength_(config["record_length"].value_or<int64_t>(500)) {
    if (recordLength_ < 1 || recordLength_ > kMaxRecordLength)
      throw std::runtime_error("tds540: \"record_length\" must be 1 to 50000");
    for (int i = 0; i < kChannels; ++i) channels_[i] = ReadChannel(config, i + 1);
    dataStop_ = recordLength_;
  }

  void OnMessage(std::span<const uint8_t> message) override {
    if (DropOutput()) eventStatus_ |= kQueryError;
    for (const Command& command : Parse(CommandText(message))) Execute(command);
  }

 private:
  void Execute(const Command& command) {
    const auto& path = command.path;
    const std::string_view first = path.front();
    if (path.size() == 1 && Upper(first) == "*IDN" && command.query)
      return QueueReply(identification_ + "\n");
    if (path.size() == 1 && Upper(first) == "*ESR" && command.query) return ReadEventStatus();
    if (path.size() == 1 && Upper(first) == "*CLS") eventStatus_ = 0;
    if (path.size() == 1 && Is(first, "HEADer")) return Header(command);
    if (path.size() == 1 && Is(first, "SELect") && command.query)
      return Answer(":SELECT ", Selection());
    if (path.size() == 1 && Is(first, "LOCk")) return Lock(command);
    if (path.size() == 1 && Is(first, "UNLock")) return Unlock();
    if (path.size() == 1 && Is(first, "CURVe") && command.query) return SendCurve();
    if (path.size() == 3 && Is(first, "HORizontal") && Is(path[1], "MAIn") &&
        Is(path[2], "SCAle") && command.query)
      return Answer(":HORIZONTAL:MAIN:SCALE ", Nr3(secondsPerDivision_));
    if (path.size() == 2 && Is(first, "HORizontal") && Is(path[1], "RECOrdlength") && command.query)
      return Answer(":HORIZONTAL:RECORDLENGTH ", std::to_string(recordLength_));
    if (const auto channel = ChannelIndex(first); channel && path.size() == 2 && command.query)
      return ChannelQuery(*channel, path[1]);
    if (path.size() == 2 && Is(first, "DATa")) return Data(path[1], command.argument);
  }

  void Answer(std::string_view header, const std::string& value) {
    QueueReply((header_ ? std::string(header) : std::string()) + value + "\n");
  }

  void ReadEventStatus() {
    QueueReply(std::to_string(eventStatus_) + "\n");
    eventStatus_ = 0;
  }

  void Header(const Command& command) {
    if (command.query) return Answer(":HEADER ", header_ ? "1" : "0");
    const std::string value = Upper(command.argument);
    if (value == "ON" || value == "1") header_ = true;
    if (value == "OFF" || value == "0") header_ = false;
  }

  void Lock(const Command& command) {
    if (command.query) return Answer(":LOCK ", locked ? "ALL" : "NONE");
    const std::string value = Upper(command.argument);
    if (value == "ALL") locked = true;
    if (value == "NONE") locked = false;
  }

  void Unlock() { locked = false; }

  // Channels 1 to 4, the three math and four reference waveforms, then the control waveform.
  std::string Selection() const {
    const char* names[] = {"CH1", "CH2", "CH3", "CH4"};
    std::string flags;
    std::string control = "CH1";
    for (int i = kChannels - 1; i >= 0; --i) {
      if (channels_[i].on) control = names[i];
    }
    for (int i = 0; i < kChannels; ++i) {
      flags += header_ ? std::string(names[i]) + " " : std::string();
      flags += channels_[i].on ? "1;" : "0;";
    }
    for (const char* other : {"MATH1", "MATH2", "MATH3", "REF1", "REF2", "REF3", "REF4"})
      flags += header_ ? std::string(other) + " 0;" : "0;";
    return flags + (header_ ? "CONTROL " : "") + control;
  }

  void ChannelQuery(int channel, std::string_view setting) {
    const std::string header = ":CH" + std::to_string(channel + 1);
    if (Is(setting, "VOLts"))
      return Answer(header + ":VOLTS ", Nr3(channels_[channel].voltsPerDivision));
    if (Is(setting, "OFFSet")) return Answer(header + ":OFFSET ", Nr3(channels_[channel].offset));
  }

  void Data(std::string_view setting, std::string_view argument) {
    const std::string value = Upper(argument);
    if (Is(setting, "SOUrce")) {
      if (const auto channel = ChannelIndex(value)) source_ = *channel;
    } else if (Is(setting, "WIDth")) {
      if (value == "1" || value == "2") width_ = value[0] - '0';
    } else if (Is(setting, "ENCdg")) {
      if (value == "SRIBINARY" || value == "SRI") leastFirst_ = true;
      if (value == "RIBINARY" || value == "RIB") leastFirst_ = false;
    } else if (Is(setting, "STARt")) {
      if (const auto point = Integer(value)) dataStart_ = *point;
    } else if (Is(setting, "STOP")) {
      if (const auto point = Integer(value)) dataStop_ = *point;
    }
  }

  // The source's whole record at the data width, computed when first asked for: it follows
  // from the bench's settings alone, which stay as they are, and a host asks for it again
  // and again.
  const std::vector<int32_t>& RecordOf(int source) {
    std::vector<int32_t>& record = records_[static_cast<size_t>(source)][width_ - 1];
    if (record.empty()) {
      const double interval = secondsPerDivision_ * kDivisionsPerPoint;
      record.resize(static_cast<size_t>(recordLength_));
      for (size_t point = 0; point < record.size(); ++point) {
        record[point] = channels_[source].SampleAt(static_cast<double>(point) * interval, width_);
      }
    }
    return record;
  }

  void SendCurve() {
    const Channel& channel = channels_[source_];
    if (!channel.on) return;  // no waveform to send: the instrument stays silent
    // Out-of-range points are brought into the record, and a reversed range is turned round.
    const int64_t first = std::clamp<int64_t>(std::min(dataStart_, dataStop_), 1, recordLength_);
    const int64_t last = std::clamp<int64_t>(std::max(dataStart_, dataStop_), 1, recordLength_);
    const std::vector<int32_t>& record = RecordOf(source_);
    Bytes data;
    data.reserve(static_cast<size_t>((last - first + 1) * width_));
    for (int64_t point = first; point <= last; ++point) {
      const auto sample = static_cast<uint16_t>(record[static_cast<size_t>(point - 1)]);
      const auto low = static_cast<uint8_t>(sample & 0xFF);
      const auto high = static_cast<uint8_t>(sample >> 8);
      if (width_ == 1) {
        data.push_back(low);
      } else {
        data.push_back(leastFirst_ ? low : high);
        data.push_back(leastFirst_ ? high : low);
      }
    }
    const std::string count = std::to_string(data.size());
    std::string block =
        (header_ ? ":CURVE " : "") + std::string("#") + std::to_string(count.size()) + count;
    Bytes reply(block.begin(), block.end());
    reply.insert(reply.end(), data.begin(), data.end());
    reply.push_back('\n');
    QueueReply(reply);
  }

  std::string identification_;
  bool header_;
  double secondsPerDivision_;
  int64_t recordLength_;
  std::array<Channel, kChannels> channels_{};
  std::array<std::array<std::vector<int32_t>, 2>, kChannels> records_{};  // by source, width
  int source_ = 0;
  int width_ = 1;
  bool leastFirst_ = false;
  int64_t dataStart_ = 1;
  int64_t dataStop_ = 1;
  int eventStatus_ = 0;
};

const ModelRegistration kTds540("tds540", [](const toml::table& config) -> std::unique_ptr<Device> {
  return std::make_unique<Tds540>(config);
});

}  // namespace

}  // namespace gpibsim
