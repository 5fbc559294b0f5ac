// Waveforms as a plot drawn with PLplot: PNG or SVG, chosen by the file name.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "acquiring/waveforms.h"

namespace scopehost {

// The PLplot device for a file name ending in .png or .svg (any case), or nothing.
std::optional<std::string_view> PlotDevice(const std::filesystem::path& path);

// The delivered channels against time (or Y against X in XY mode), with labelled axes and
// units and the device's name as the title. Throws OutputError; leaves no partial file.
void WritePlot(const Waveforms& waveforms, const std::filesystem::path& path);

}  // namespace scopehost
