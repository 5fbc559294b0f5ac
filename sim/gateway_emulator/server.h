// The emulated gateway's network side on 127.0.0.1: its portmapper (program 100000 version 2,
// GETPORT for the core channel over TCP) and the core channel, each on a port the system
// picks, printed on stdout as "portmapper 127.0.0.1:P core 127.0.0.1:C". Every connection
// is served by a thread of its own. Replies can be paced, and one call can be given a fault.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bus.h"
#include "device_links.h"

namespace gpibsim::gateway {

struct Fault {
  enum class Kind { kNone, kRefuseLink, kDrop, kStall, kMalformed };
  Kind kind = Kind::kNone;
  size_t atCall = 0;  // the core channel's calls counted from 1 over the run
};

struct ServerOptions {
  Behaviour behaviour;
  double bytesPerSecond = 0.0;  // the bus's pace for what device_read reads; 0: no limit
  Fault fault;
  double lifetimeSeconds = 600.0;  // the emulator ends after this, whatever happens
};

// Serves until the lifetime ends; the exit status.
int Serve(Bus& bus, const ServerOptions& options);

}  // namespace gpibsim::gateway
