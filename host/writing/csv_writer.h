// Waveforms as CSV: commented metadata lines, a header row with units, one row per point.
#pragma once

#include <filesystem>

#include "acquiring/waveforms.h"

namespace scopehost {

// Throws OutputError; a failed write leaves no file behind.
void WriteCsv(const Waveforms& waveforms, const std::filesystem::path& path);

}  // namespace scopehost
