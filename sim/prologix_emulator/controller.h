// An emulated GPIB controller of the Prologix kind (and its AR488 twin) in controller mode,
// in front of a simulated bus, timed as the Prologix manual tells. It reads the host's byte
// stream line by line:
//   - a line ends at an unescaped CR or LF; ESC makes the next byte plain data (CR, LF, ESC,
//     '+' in binary data are sent as ESC and the byte);
//   - a line that starts with an unescaped "++" is a command, any other line is data for the
//     addressed instrument: with ++eoi 1 EOI comes with its last byte, and the ++eos
//     terminator (0 CR LF, 1 CR, 2 LF, 3 none) is added first; ++eos never touches what
//     instruments send; with ++auto 1 every data line is followed by a read to EOI;
//   - ++read eoi reads until the talker asserts EOI, ++read <decimal> until that byte, a bare
//     ++read until the time-out alone; ++read_tmo_ms (1 to 3000, AR488 1 to 32000) is the
//     longest pause between two bytes, waited out in full before a read ends without its end
//     condition; with ++eot_enable 1 the ++eot_char byte follows the EOI byte;
//   - ++addr and ++spoll take a primary address and, optionally, a secondary one (96 to 126);
//   - ++spoll answers the status byte of an instrument that listens; where none does it waits
//     the whole read time-out and answers nothing;
//   - ++addr, ++auto, ++clr, ++eoi, ++eos, ++eot_enable, ++eot_char, ++ifc, ++llo, ++loc,
//     ++mode, ++rst, ++savecfg, ++spoll, ++srq, ++trg, ++ver, ++help; AR488 adds ++fndl
//     (the listening addresses, comma-separated; "pad:sad" for the secondary addresses of a
//     primary one where nothing listens) and ++dcl. An unknown command or value
//     answers "Unrecognized command".
// Settings and the EEPROM: a Prologix powers up with the settings its EEPROM holds and with
// saving on, so that every change of mode, addr, auto, eoi, eos, eot_enable, eot_char or
// read_tmo_ms is written to the EEPROM until ++savecfg 0; an AR488 writes its EEPROM only on
// ++savecfg, whatever its argument. Each write is counted and logged ("EEPROM write N: ...").
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bus.h"

namespace gpibsim::controller {

enum class Flavour { kPrologix, kAr488 };

struct Settings {
  int mode = 1;  // 1: controller (the only mode emulated), 0: device
  int32_t pad = 1;
  int32_t sad = 0;  // 0: none, else 96 to 126
  bool autoRead = false;
  bool eoi = true;
  int eos = 0;
  bool eotEnable = false;
  int eotChar = 0;
  int readTimeoutMs = 500;
};

// What outlives a power cycle: the settings the controller starts with, and how many times
// they were written (each write wears the part).
struct Eeprom {
  Settings saved;
  int writes = 0;
};

// A new controller's EEPROM: AR488's defaults (no EOI, read time-out 1.2 s); for a Prologix
// read-after-write on, as a controller left in that mode by its last user.
Eeprom FactoryEeprom(Flavour flavour);

class Controller {
 public:
  // Bytes for the host, in order; the link may pace them or inject a fault.
  using Output = std::function<void(std::span<const uint8_t>)>;
  // Each command line as received, for a transcript.
  using CommandLog = std::function<void(std::string_view)>;

  // The EEPROM outlives the controller: the next connection powers up from it.
  Controller(Bus& bus, Flavour flavour, Eeprom& eeprom, Output output, CommandLog log = {});

  // Back to the settings the EEPROM holds, saving on, a half-received line forgotten.
  void PowerOn();
  // Bytes from the host; each completed line is carried out before the next byte is read.
  void Feed(std::span<const uint8_t> bytes);
  // How long the instruments take to answer a serial poll (none by default); one that takes
  // the read time-out or longer counts as absent.
  void SetPollAnswerTime(std::chrono::milliseconds time) { pollAnswerTime_ = time; }
  const Settings& settings() const { return settings_; }

 private:
  void EndLine();
  void Execute(std::string_view line);
  void WriteData(std::span<const uint8_t> data);
  // Reads from the addressed talker until EOI (kToEoi), the time-out alone (kToTimeOut), or
  // the stop byte 0 to 255.
  static constexpr int kToEoi = -1;
  static constexpr int kToTimeOut = -2;
  void ReadTalker(int stopByte);
  // Reads the rest of the talker's message into nowhere.
  void DrainTalker();
  void Reply(std::string_view text);
  void ReplyLine(std::string text);  // text and CR LF
  Addr4882_t Address() const;
  void FindListeners();
  void SerialPoll(int32_t pad, int32_t sad);
  // A setting the host changed: a Prologix saving its settings writes them all.
  void Changed(std::string_view command);
  void WriteEeprom(std::string_view why);

  Bus& bus_;
  Flavour flavour_;
  Output output_;
  CommandLog log_;
  Eeprom& eeprom_;
  Settings settings_;
  bool saving_ = true;  // Prologix: ++savecfg, on at every power-up
  std::chrono::milliseconds pollAnswerTime_{0};
  std::vector<uint8_t> line_;
  bool escaped_ = false;
  int leadingPluses_ = 0;  // unescaped '+' bytes the line started with
};

// The EEPROM as another program left it: its "++" commands, separated by ';', carried out on
// a new controller (saving on). nullopt with error set when the controller refused one.
std::optional<Eeprom> EepromLeftBy(Bus& bus, Flavour flavour, std::string_view commands,
                                   std::string& error);

}  // namespace gpibsim::controller
