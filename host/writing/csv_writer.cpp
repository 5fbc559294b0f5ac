#include "writing/csv_writer.h"

#include <string>

#include "writing/acquisition_header.h"
#include "writing/number_format.h"
#include "writing/output_file.h"

namespace scopehost {

namespace {

std::string MetadataLines(const Waveforms& waveforms) {
  std::string text;
  for (const auto& [name, value] : AcquisitionHeader(waveforms))
    text += "# " + name + ": " + value + "\n";
  return text;
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
