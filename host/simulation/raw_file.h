// SPICE raw files: the header, then the points, in binary or as text.
#pragma once

#include <string>
#include <string_view>

#include "simulation/simulation.h"

namespace scopehost {

// An ngspice raw file (8-bit header, binary values all doubles) or an LTspice one (UTF-16LE
// header; binary time as a double whose sign may mark a compressed point, other values as
// floats unless the flags say "double"; "fastaccess" stores each vector whole). Only the first
// plot is read, and it must be a real transient analysis. Throws SimulationError.
Simulation ParseRawFile(std::string_view bytes, const std::string& origin);

}  // namespace scopehost
