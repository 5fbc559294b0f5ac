// Simulated vectors set beside the channels they are compared with: "FILE[:VECTOR=CHANNEL,...]"
// read, matched to an acquisition and interpolated onto its time axis.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "acquiring/waveforms.h"
#include "simulation/simulation.h"

namespace scopehost {

// A simulation file and the vectors it lends to channels.
struct ReferenceSource {
  std::string file;
  std::vector<std::pair<std::string, std::string>> pairs;  // vector, channel; empty: by name
  Simulation simulation;
};

// One simulated vector on the measured time axis: linear between the two simulated points
// around each measured time, NaN where the simulation does not reach.
struct Reference {
  std::string vector;
  std::string channel;
  std::string file;
  std::vector<double> values;
};

// Reads "FILE", or "FILE:VECTOR=CHANNEL,..." (the last colon followed by pairs ends the file
// name, so a Windows drive letter stays). Throws SimulationError naming the file or the text.
ReferenceSource LoadReferenceSource(std::string_view argument);

// Each source's vectors against the acquisition's channels: the pairs named, or without pairs
// every vector named as a channel is ("ch2" or "v(ch2)"). Throws SimulationError when a named
// vector or channel is missing, no vector matches, or the acquisition has no time axis.
std::vector<Reference> MatchReferences(const std::vector<ReferenceSource>& sources,
                                       const Waveforms& waveforms);

// values, given at the rising times, at each of the times `at`: linear interpolation, NaN
// outside [times.front(), times.back()].
std::vector<double> Interpolated(const std::vector<double>& times,
                                 const std::vector<double>& values, const std::vector<double>& at);

}  // namespace scopehost
