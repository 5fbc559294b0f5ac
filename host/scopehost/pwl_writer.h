// Waveforms as SPICE piecewise-linear voltage sources, one file per channel.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "waveforms.h"

namespace scopehost {

// Why the waveforms cannot be PWL sources, or nothing when they can: SPICE needs time points
// that rise strictly, and XY data or numbered samples have no time at all.
std::optional<std::string> WhyNoPwl(const Waveforms& waveforms);

// Writes directory/<channel>.pwl for every channel, creating the directory when needed, and
// returns the paths. Each file holds one source, V_CH1 from node ch1 to ground for ch1, to
// be .include'd into a netlist. Throws OutputError; files already complete stay.
std::vector<std::filesystem::path> WritePwl(const Waveforms& waveforms,
                                            const std::filesystem::path& directory);

}  // namespace scopehost
