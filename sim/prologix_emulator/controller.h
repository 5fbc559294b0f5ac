// An emulated GPIB controller of the Prologix kind (and its AR488 twin) in controller mode,
// in front of a simulated bus. It reads the host's byte stream line by line:
//   - a line ends at an unescaped CR or LF; ESC makes the next byte plain data (CR, LF, ESC,
//     '+' in binary data are sent as ESC and the byte);
//   - a line that starts with an unescaped "++" is a command, any other line is data for the
//     addressed instrument: with ++eoi 1 EOI comes with its last byte, and the ++eos
//     terminator (0 CR LF, 1 CR, 2 LF, 3 none) is added first;
//   - ++read eoi reads until the talker asserts EOI, ++read <decimal> until that byte,
//     ++read until EOI too; a read gives up after ++read_tmo_ms (1 to 3000, AR488 1 to
//     32000) without bytes; with ++eot_enable 1 the ++eot_char byte follows the EOI byte;
//   - ++addr, ++auto, ++clr, ++eoi, ++eos, ++eot_enable, ++eot_char, ++ifc, ++llo, ++loc,
//     ++mode, ++rst, ++savecfg, ++spoll, ++srq, ++trg, ++ver, ++help; AR488 adds ++fndl
//     (the listening addresses, comma-separated) and ++dcl. ++spoll answers only where an
//     instrument listens; an unknown command or value answers "Unrecognized command".
// Every connection starts from the controller's power-on settings.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bus.h"

namespace gpibsim::controller {

enum class Flavour { kPrologix, kAr488 };

class Controller {
 public:
  // Bytes for the host, in order; the link may pace them or inject a fault.
  using Output = std::function<void(std::span<const uint8_t>)>;
  // Each command line as received, for a transcript.
  using CommandLog = std::function<void(std::string_view)>;

  Controller(Bus& bus, Flavour flavour, Output output, CommandLog log = {});

  // Back to the power-on settings, with a half-received line forgotten.
  void PowerOn();
  // Bytes from the host; each completed line is carried out before the next byte is read.
  void Feed(std::span<const uint8_t> bytes);

 private:
  struct Settings {
    int32_t pad = 1;
    int32_t sad = 0;  // 0: none, else 96 to 126
    bool autoRead = false;
    bool eoi = true;
    int eos = 0;
    bool eotEnable = false;
    uint8_t eotChar = 0;
    int readTimeoutMs = 500;
  };

  void EndLine();
  void Execute(std::string_view line);
  void WriteData(std::span<const uint8_t> data);
  // Reads from the addressed talker until EOI, or until stopByte when one is given.
  void ReadTalker(int stopByte);
  // Reads the rest of the talker's message into nowhere.
  void DrainTalker();
  void Reply(std::string_view text);
  void ReplyLine(std::string text);  // text and CR LF
  Addr4882_t Address() const;
  bool ListensAt(int32_t pad) const;
  void FindListeners();

  Bus& bus_;
  Flavour flavour_;
  Output output_;
  CommandLog log_;
  Settings settings_;
  std::vector<uint8_t> line_;
  bool escaped_ = false;
  int leadingPluses_ = 0;  // unescaped '+' bytes the line started with
};

}  // namespace gpibsim::controller
