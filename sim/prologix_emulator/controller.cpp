#include "controller.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <optional>
#include <thread>

#include "reader.h"

namespace gpibsim::controller {

namespace {

constexpr uint8_t kEscape = 27;
constexpr uint8_t kCarriageReturn = '\r';
constexpr uint8_t kLineFeed = '\n';
constexpr size_t kReadChunk = 4096;
constexpr std::string_view kUnrecognized = "Unrecognized command\r\n";
constexpr std::string_view kPrologixVersion = "Prologix GPIB-ETHERNET Version 6.107 (emulated)\r\n";
constexpr std::string_view kAr488Version = "AR488 GPIB controller, ver. 0.53.04 (emulated)\r\n";
constexpr std::string_view kHelp =
    "++addr ++auto ++clr ++eoi ++eos ++eot_enable ++eot_char ++ifc ++llo ++loc ++mode ++read "
    "++read_tmo_ms ++rst ++savecfg ++spoll ++srq ++trg ++ver ++help\r\n";

std::optional<int> Number(std::string_view word, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

// The address after a command word: a primary address and, optionally, a secondary one (96 to
// 126); 0 for none.
std::pair<std::optional<int>, std::optional<int>> AddressIn(
    const std::vector<std::string_view>& words) {
  const auto pad = Number(words[1], 0, Bus::kLastAddress);
  const auto sad = words.size() > 2
                       ? Number(words[2], kFirstSecondaryAddress, kLastSecondaryAddress)
                       : std::optional<int>(0);
  return {pad, sad};
}

}  // namespace

Eeprom FactoryEeprom(Flavour flavour) {
  Eeprom eeprom;
  if (flavour == Flavour::kAr488) {
    eeprom.saved.eoi = false;
    eeprom.saved.readTimeoutMs = 1200;
  } else {
    eeprom.saved.autoRead = true;
  }
  return eeprom;
}

std::optional<Eeprom> EepromLeftBy(Bus& bus, Flavour flavour, std::string_view commands,
                                   std::string& error) {
  Eeprom eeprom = FactoryEeprom(flavour);
  std::string answers;
  Controller controller(bus, flavour, eeprom, [&answers](std::span<const uint8_t> bytes) {
    answers.append(bytes.begin(), bytes.end());
  });
  std::string lines(commands);
  std::replace(lines.begin(), lines.end(), ';', '\n');
  lines += '\n';
  controller.Feed({reinterpret_cast<const uint8_t*>(lines.data()), lines.size()});
  if (!answers.empty()) {
    error = "the controller answered \"" + answers.substr(0, answers.find('\r')) + "\"";
    return std::nullopt;
  }
  return Eeprom{.saved = controller.settings(), .writes = 0};
}

Controller::Controller(Bus& bus, Flavour flavour, Eeprom& eeprom, Output output, CommandLog log)
    : bus_(bus),
      flavour_(flavour),
      output_(std::move(output)),
      log_(std::move(log)),
      eeprom_(eeprom) {
  PowerOn();
}

void Controller::PowerOn() {
  settings_ = eeprom_.saved;
  saving_ = true;
  line_.clear();
  escaped_ = false;
  leadingPluses_ = 0;
}

void Controller::Feed(std::span<const uint8_t> bytes) {
  for (const uint8_t byte : bytes) {
    if (escaped_) {
      escaped_ = false;
      line_.push_back(byte);
    } else if (byte == kEscape) {
      escaped_ = true;
    } else if (byte == kCarriageReturn || byte == kLineFeed) {
      EndLine();
    } else {
      if (byte == '+' && leadingPluses_ == static_cast<int>(line_.size()) && leadingPluses_ < 2)
        ++leadingPluses_;
      line_.push_back(byte);
    }
  }
}

void Controller::EndLine() {
  std::vector<uint8_t> line;
  line.swap(line_);
  const bool command = leadingPluses_ == 2;
  leadingPluses_ = 0;
  if (line.empty()) return;  // the LF of a CR LF pair
  if (command) {
    Execute(std::string_view(reinterpret_cast<const char*>(line.data()), line.size()).substr(2));
  } else {
    WriteData(line);
  }
}

Addr4882_t Controller::Address() const {
  return MakeAddr(settings_.pad, settings_.sad);
}

void Controller::Reply(std::string_view text) {
  output_({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void Controller::ReplyLine(std::string text) {
  text += "\r\n";
  Reply(text);
}

void Controller::WriteData(std::span<const uint8_t> data) {
  std::vector<uint8_t> message(data.begin(), data.end());
  if (settings_.eos == 0 || settings_.eos == 1) message.push_back(kCarriageReturn);
  if (settings_.eos == 0 || settings_.eos == 2) message.push_back(kLineFeed);
  // With nobody listening the bytes go nowhere: the controller reports nothing.
  bus_.Send(Bus::kBoard, Address(), message.data(), static_cast<int32_t>(message.size()),
            settings_.eoi ? DABend : NULLend);
  if (settings_.autoRead) ReadTalker(kToEoi);
}

void Controller::ReadTalker(int stopByte) {
  // Byte by byte when a stop byte must be found, so that the rest stays with the talker.
  const size_t chunk = stopByte >= 0 ? 1 : kReadChunk;
  std::array<uint8_t, kReadChunk> buffer{};
  for (;;) {
    const Outcome read =
        bus_.Receive(Bus::kBoard, Address(), buffer.data(), static_cast<int32_t>(chunk), STOPend);
    if ((read.ibsta & ERR) != 0) {
      // Nothing more to read: the controller waits out its time-out, counted from the last
      // byte, and sends nothing more.
      std::this_thread::sleep_for(std::chrono::milliseconds(settings_.readTimeoutMs));
      return;
    }
    const auto received = std::span(buffer).first(static_cast<size_t>(read.count));
    const bool end = (read.ibsta & END) != 0;
    try {
      output_(received);
      const uint8_t eotChar = static_cast<uint8_t>(settings_.eotChar);
      if (end && settings_.eotEnable) output_(std::span(&eotChar, 1));
    } catch (...) {
      // The link to the host failed, not the bus: the read goes on to the talker's EOI, as on
      // a controller whose network side broke off, and its bytes are lost.
      if (!end) DrainTalker();
      throw;
    }
    // EOI ends only a read to EOI: the others go on until their byte or the time-out.
    if (end && stopByte == kToEoi) return;
    if (stopByte >= 0 && !received.empty() && received.back() == stopByte) return;
  }
}

void Controller::DrainTalker() {
  std::array<uint8_t, kReadChunk> buffer{};
  for (;;) {
    const Outcome read = bus_.Receive(Bus::kBoard, Address(), buffer.data(),
                                      static_cast<int32_t>(buffer.size()), STOPend);
    if ((read.ibsta & (ERR | END)) != 0) return;
  }
}

void Controller::FindListeners() {
  std::string list;
  for (int32_t pad = Bus::kFirstAddress; pad <= Bus::kLastAddress; ++pad) {
    for (const Addr4882_t listener : bus_.ListenersAt(MakeAddr(pad, 0))) {
      if (!list.empty()) list += ',';
      list += std::to_string(pad);
      if (GetSAD(listener) != 0) list += ':' + std::to_string(GetSAD(listener));
    }
  }
  ReplyLine(list);
}

void Controller::SerialPoll(int32_t pad, int32_t sad) {
  const std::chrono::milliseconds timeOut(settings_.readTimeoutMs);
  if (!bus_.ListensAt(pad, sad) || pollAnswerTime_ >= timeOut) {
    std::this_thread::sleep_for(timeOut);  // no answer: the whole time-out, then nothing
    return;
  }
  std::this_thread::sleep_for(pollAnswerTime_);
  int16_t status = 0;
  bus_.ReadStatusByte(Bus::kBoard, MakeAddr(pad, sad), &status);
  ReplyLine(std::to_string(status));
}

void Controller::Changed(std::string_view command) {
  if (flavour_ == Flavour::kPrologix && saving_) WriteEeprom(command);
}

void Controller::WriteEeprom(std::string_view why) {
  eeprom_.saved = settings_;
  ++eeprom_.writes;
  if (log_) log_("EEPROM write " + std::to_string(eeprom_.writes) + ": " + std::string(why));
}

void Controller::Execute(std::string_view line) {
  if (log_) log_(line);
  const std::vector<std::string_view> words = gpib_recording::Tokens(line);
  if (words.empty()) return Reply(kUnrecognized);
  const std::string_view name = words[0];
  const size_t arguments = words.size() - 1;
  const bool ar488 = flavour_ == Flavour::kAr488;
  // A 0/1 setting: no argument queries it.
  const auto flag = [&](bool& setting) {
    if (arguments == 0) return Reply(setting ? "1\r\n" : "0\r\n");
    const auto value = Number(words[1], 0, ar488 && name == "auto" ? 3 : 1);
    if (!value) return Reply(kUnrecognized);
    setting = *value != 0;
    Changed(line);
  };
  const auto number = [&](int& setting, int low, int high) {
    if (arguments == 0) return ReplyLine(std::to_string(setting));
    const auto value = Number(words[1], low, high);
    if (!value) return Reply(kUnrecognized);
    setting = *value;
    Changed(line);
  };

  if (name == "addr") {
    if (arguments == 0) {
      std::string address = std::to_string(settings_.pad);
      if (settings_.sad != 0) address += ' ' + std::to_string(settings_.sad);
      return ReplyLine(address);
    }
    const auto [pad, sad] = AddressIn(words);
    if (!pad || !sad) return Reply(kUnrecognized);
    settings_.pad = *pad;
    settings_.sad = *sad;
    Changed(line);
  } else if (name == "auto") {
    flag(settings_.autoRead);
  } else if (name == "clr") {
    bus_.DevClear(Bus::kBoard, Address());
  } else if (name == "eoi") {
    flag(settings_.eoi);
  } else if (name == "eos") {
    number(settings_.eos, 0, 3);
  } else if (name == "eot_enable") {
    flag(settings_.eotEnable);
  } else if (name == "eot_char") {
    number(settings_.eotChar, 0, 255);
  } else if (name == "ifc") {
    bus_.SendIfc(Bus::kBoard);
  } else if (name == "loc") {
    if (Device* device = bus_.DeviceAt(settings_.pad, settings_.sad)) device->remote = false;
  } else if (name == "mode") {
    number(settings_.mode, 0, 1);
  } else if (name == "llo" || name == "trg") {
    // Accepted; the simulated instruments have no front panel to lock and no trigger input.
  } else if (name == "read") {
    if (arguments == 0) return ReadTalker(kToTimeOut);
    if (words[1] == "eoi") return ReadTalker(kToEoi);
    const auto stop = Number(words[1], 0, 255);
    if (!stop) return Reply(kUnrecognized);
    ReadTalker(*stop);
  } else if (name == "read_tmo_ms") {
    number(settings_.readTimeoutMs, 1, ar488 ? 32000 : 3000);
  } else if (name == "rst") {
    PowerOn();
  } else if (name == "savecfg" && ar488) {
    WriteEeprom(line);  // AR488 saves at once, whatever the argument
  } else if (name == "savecfg") {
    if (arguments == 0) return Reply(saving_ ? "1\r\n" : "0\r\n");
    const auto value = Number(words[1], 0, 1);
    if (!value) return Reply(kUnrecognized);
    saving_ = *value != 0;
    if (saving_) WriteEeprom(line);
  } else if (name == "spoll") {
    if (arguments == 0) return SerialPoll(settings_.pad, settings_.sad);
    const auto [pad, sad] = AddressIn(words);
    if (!pad || !sad) return Reply(kUnrecognized);
    SerialPoll(*pad, *sad);
  } else if (name == "srq") {
    Reply("0\r\n");  // no simulated instrument requests service
  } else if (name == "ver") {
    Reply(ar488 ? kAr488Version : kPrologixVersion);
  } else if (name == "help" && !ar488) {
    Reply(kHelp);
  } else if (name == "fndl" && ar488) {
    FindListeners();
  } else if (name == "dcl" && ar488) {
    bus_.DevClear(Bus::kBoard, NOADDR);
  } else {
    Reply(kUnrecognized);
  }
}

}  // namespace gpibsim::controller
