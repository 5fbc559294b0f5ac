// Waveforms as one self-contained HTML page: the waveform viewer's template (host/viewer/)
// with the acquisition in place of its placeholder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "acquiring/waveforms.h"
#include "simulation/reference.h"

namespace scopehost {

// The text in the template that the acquisition replaces, present exactly once.
inline constexpr std::string_view kAcquisitionPlaceholder = "__GPIBSCOPE_ACQUISITION__";

// The acquisition as the viewer reads it:
//   {"header": [["device", "TDS540"], ...],
//    "columns": [{"name": "time", "unit": "s", "values": [...]},
//                {"name": "ch1", "unit": "V", "values": [...]}, ...]}
// header holds the CSV file's metadata lines as name and value; the first column is the
// abscissa, the rest the channels; numbers in the shortest form that reads back exactly, null
// for a value that is not finite. No "<" appears, so the text is safe inside a script element.
// With references, simulated vectors on the time axis follow the columns:
//   "references": [{"name": "v(out)", "channel": "ch2", "file": "rc.raw", "values": [...]}]
std::string AcquisitionJson(const Waveforms& waveforms,
                            const std::vector<Reference>& references = {});

// Throws the OutputError writing a page would meet when the template cannot be read: checked
// before acquiring, as an acquisition cannot be repeated.
void RequireReadableTemplate(const std::filesystem::path& viewerTemplate);

// The template with the acquisition in its place. Throws OutputError, naming the template when
// it cannot be read or holds no single placeholder.
std::string Page(const Waveforms& waveforms, const std::filesystem::path& viewerTemplate,
                 const std::vector<Reference>& references = {});

// The page as a file. Throws OutputError as Page does; leaves no partial file.
void WriteHtml(const Waveforms& waveforms, const std::filesystem::path& viewerTemplate,
               const std::filesystem::path& path, const std::vector<Reference>& references = {});

}  // namespace scopehost
