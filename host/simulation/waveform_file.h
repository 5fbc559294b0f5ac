// Two-column waveform files: "time value" per line, as PWL file sources read them.
#pragma once

#include <string>
#include <string_view>

#include "simulation/simulation.h"

namespace scopehost {

// Lines of a time and a value, separated by blanks or a comma; blank lines and lines starting
// with '*', '#' or ';' are skipped. The one vector gets vectorName. Throws SimulationError
// naming the line.
Simulation ParseWaveformFile(std::string_view text, const std::string& origin,
                             const std::string& vectorName);

}  // namespace scopehost
