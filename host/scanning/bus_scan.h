// scopehost scan: the listeners on board 0 and what each says to "*IDN?", the first thing to
// run on a new setup. It talks to the GPIB library directly, not through the module.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "loading/module_loader.h"

namespace scopehost {

struct Listener {
  int32_t pad;
  int32_t sad;                          // 0, or 0x60 to 0x7E
  std::optional<std::string> identity;  // the reply to "*IDN?", printable; none without one
};

// A board-level call that failed; what() names the call and iberr.
class ScanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Takes control of board 0 (SendIFC), finds the listeners at addresses 1 to 30 (the board
// itself sits at 0) and asks only those for their identification, each on a descriptor of
// its own with a one-second time-out, and returns each to local. Throws ScanError, or LoadError for
// a library without the names it calls.
std::vector<Listener> ScanBus(const SharedLibrary& gpib);

// The listener's secondary address 0 to 30, or -1 for none.
int32_t SecondaryAddress(const Listener& listener);

// "  5  TEKTRONIX,TDS540,..." lines, or a line saying that nothing listens.
std::string ListenerTable(const std::vector<Listener>& listeners);

}  // namespace scopehost
