// What an output file says about the acquisition before its values: the device, the points
// and channels, the mode, when it was taken and how long it took.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "acquiring/waveforms.h"

namespace scopehost {

// Name and value, in the order and form every writer shows them ("device", "TDS540").
using HeaderField = std::pair<std::string, std::string>;

std::vector<HeaderField> AcquisitionHeader(const Waveforms& waveforms);

}  // namespace scopehost
