#include "writing/csv_writer.h"

#include <string>

#include "writing/number_format.h"
#include "writing/output_file.h"
#include "writing/utc_time.h"

namespace scopehost {

namespace {

std::string MetadataLines(const Waveforms& waveforms) {
  std::string names;
  for (const Trace& channel : waveforms.channels)
    names += (names.empty() ? "" : ", ") + channel.name;
  std::string text = "# device: " + waveforms.deviceName + "\n";
  text += "# device type: " + std::to_string(waveforms.type) + "\n";
  text += "# points: " + std::to_string(waveforms.points()) + "\n";
  text += "# channels: " + std::to_string(waveforms.channels.size()) + " (" + names + ")\n";
  if (waveforms.abscissa == Abscissa::kX) text += "# mode: XY (X in place of a time axis)\n";
  text += "# acquired at (UTC): " + UtcTimestamp(waveforms.acquiredAt) + "\n";
  text += "# duration (s): ";
  AppendNumber(text, waveforms.durationSeconds);
  return text + "\n";
}

std::string HeaderRow(const Waveforms& waveforms) {
  std::string row = Heading(AbscissaName(waveforms.abscissa), AbscissaUnit(waveforms.abscissa));
  for (const Trace& channel : waveforms.channels) row += "," + Heading(channel.name, kVolts);
  return row + "\n";
}

}  // namespace

void WriteCsv(const Waveforms& waveforms, const std::filesystem::path& path) {
  OutputFile file(path);
  file.Write(MetadataLines(waveforms));
  file.Write(HeaderRow(waveforms));
  std::string row;
  for (size_t k = 0; k < waveforms.points(); ++k) {
    row.clear();
    AppendNumber(row, waveforms.abscissaValues[k]);
    for (const Trace& channel : waveforms.channels) {
      row += ',';
      AppendNumber(row, channel.volts[k]);
    }
    row += '\n';
    file.Write(row);
  }
  file.Commit();
}

}  // namespace scopehost
