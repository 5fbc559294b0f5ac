// A device's address on the bus behind the controller, as the configuration names it and as
// the session addresses it.
#pragma once

#include "bridge.h"

namespace prologix {

using Address = gpib_bridge::BusAddress;

}  // namespace prologix
