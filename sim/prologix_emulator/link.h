// The emulated controller's two links to a host: a TCP port of 127.0.0.1, as a GPIB-ETHERNET
// controller offers, and a pseudo-terminal standing for a USB serial port. One host at a time;
// each new connection powers the controller up again from its EEPROM. Output is paced at a
// set rate, and the first connection can be given one fault.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "bus.h"
#include "controller.h"

namespace gpibsim::controller {

struct Fault {
  enum class Kind { kNone, kDrop, kStall, kGarbage };
  Kind kind = Kind::kNone;
  size_t afterBytes = 0;  // of the controller's output on the first connection
};

struct LinkOptions {
  Flavour flavour = Flavour::kPrologix;
  Eeprom eeprom = FactoryEeprom(Flavour::kPrologix);  // what the first power-up finds
  std::chrono::milliseconds pollAnswerTime{0};        // of every instrument
  double bytesPerSecond = 0.0;                        // 0: as fast as the link takes them
  Fault fault;
  double lifetimeSeconds = 600.0;  // the emulator ends after this, whatever happens
  int bootMilliseconds = 0;        // input ignored after a serial open (AR488's reset)
  std::string logPath;             // each command line and EEPROM write, when set
};

// Serves on 127.0.0.1:port (0 picks a free one), printing "tcp://127.0.0.1:PORT" on stdout.
// Returns the exit status when the lifetime ends.
int ServeTcp(Bus& bus, uint16_t port, const LinkOptions& options);
// Serves on a new pseudo-terminal, printing its path on stdout.
int ServePty(Bus& bus, const LinkOptions& options);

}  // namespace gpibsim::controller
