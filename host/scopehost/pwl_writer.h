// Waveforms as SPICE piecewise-linear voltage sources, one file per channel.
#pragma once

#include <filesystem>
#include <vector>

#include "waveforms.h"

namespace scopehost {

// Whether the waveforms can be PWL sources: a time axis that rises strictly, as SPICE
// requires of PWL time points. XY data and numbered samples have none.
bool HasPwlTimeAxis(const Waveforms& waveforms);

// Writes directory/<channel>.pwl for every channel, creating the directory when needed, and
// returns the paths. Each file holds one source, V_CH1 from node ch1 to ground for ch1, to
// be .include'd into a netlist. Throws OutputError; files already complete stay.
std::vector<std::filesystem::path> WritePwl(const Waveforms& waveforms,
                                            const std::filesystem::path& directory);

}  // namespace scopehost
