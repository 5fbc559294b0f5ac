// Waveforms as SPICE piecewise-linear data, one file per channel: a voltage source to include
// in a netlist, or a plain two-column file that a simulator's PWL or file source reads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "acquiring/waveforms.h"

namespace scopehost {

// Why the waveforms cannot be PWL data, or nothing when they can: SPICE needs time points
// that rise strictly, and XY data or numbered samples have no time at all.
std::optional<std::string> WhyNoPwl(const Waveforms& waveforms);

// Writes directory/<channel>.pwl for every channel, creating the directory when needed, and
// returns the paths. Each file holds one source, V_CH1 from node ch1 to ground for ch1, to
// be .include'd into a netlist. Throws OutputError, writing nothing for a channel whose name is
// no plain file name; files already complete stay.
std::vector<std::filesystem::path> WritePwl(const Waveforms& waveforms,
                                            const std::filesystem::path& directory);

// Writes directory/<channel>.txt for every channel: one line per point, the time in seconds
// and the volts, as "PWL file=" in LTspice and Xyce and ngspice's filesource read them. No
// comment line, since not every reader skips one. Otherwise as WritePwl.
std::vector<std::filesystem::path> WriteWaveFiles(const Waveforms& waveforms,
                                                  const std::filesystem::path& directory);

}  // namespace scopehost
