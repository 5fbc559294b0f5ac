// The unit descriptors a bridge hands out (1 upward; 0 is the board): each one's address,
// time-out and EOI setting as ibfind or ibdev made it, and as calls have changed it since.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "bridge.h"

namespace gpib_bridge {

// A time-out code's duration. No limit is no choice for a bridge that must not hang: TNONE
// waits as long as the longest code.
std::chrono::steady_clock::duration TimeoutOf(int32_t code);

struct Unit {
  BusAddress address;
  int32_t timeout = T10s;
  bool eoi = true;
};

class Units {
 public:
  int32_t Open(const Unit& unit);
  // The open descriptor's unit, or null.
  Unit* Find(int32_t ud);
  // ibonl: back to the unit as opened, or closed; false when ud is not open.
  bool Online(int32_t ud, bool online);
  // Whether another open descriptor than ud is at address.
  bool OthersAt(int32_t ud, BusAddress address) const;

  int32_t boardTimeout = T10s;

 private:
  struct Descriptor {
    Unit opened;
    Unit current;
    bool open = false;
  };
  std::vector<Descriptor> descriptors_;  // descriptor ud at index ud - 1
};

}  // namespace gpib_bridge
