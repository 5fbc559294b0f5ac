#include "writing/acquisition_header.h"

#include "writing/number_format.h"
#include "writing/utc_time.h"

namespace scopehost {

std::vector<HeaderField> AcquisitionHeader(const Waveforms& waveforms) {
  std::string names;
  for (const Trace& channel : waveforms.channels)
    names += (names.empty() ? "" : ", ") + channel.name;
  std::vector<HeaderField> fields{
      {"device", waveforms.deviceName},
      {"device type", std::to_string(waveforms.type)},
      {"points", std::to_string(waveforms.points())},
      {"channels", std::to_string(waveforms.channels.size()) + " (" + names + ")"},
  };
  if (waveforms.abscissa == Abscissa::kX)
    fields.emplace_back("mode", "XY (X in place of a time axis)");
  fields.emplace_back("acquired at (UTC)", UtcTimestamp(waveforms.acquiredAt));
  std::string duration;
  AppendNumber(duration, waveforms.durationSeconds);
  fields.emplace_back("duration (s)", duration);
  return fields;
}

}  // namespace scopehost
