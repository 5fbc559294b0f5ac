// A device's address on the bus behind the controller, as the configuration names it and as
// the session addresses it.
#pragma once

#include <cstdint>

namespace prologix {

struct Address {
  int32_t pad = 0;
  int32_t sad = 0;  // 0: none, else 0x60 + n
  bool operator==(const Address&) const = default;
};

}  // namespace prologix
