#include "writing/pwl_writer.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

#include "writing/number_format.h"
#include "writing/output_file.h"
#include "writing/utc_time.h"

namespace scopehost {

namespace {

// Time-value pairs per continuation line: SPICE readers join continuation lines one by one,
// and ngspice takes far longer over thousands of short lines than over fewer long ones.
constexpr size_t kPairsPerLine = 16;

std::string Upper(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string Source(const Waveforms& waveforms, const Trace& channel) {
  std::string text = "* " + channel.name + " of " + waveforms.deviceName + ", acquired " +
                     UtcTimestamp(waveforms.acquiredAt) + ", " +
                     std::to_string(waveforms.points()) + " points (time in s, volts).\n";
  text += "* .include this file: V_" + Upper(channel.name) + " drives node " + channel.name +
          " against ground.\n";
  text += "V_" + Upper(channel.name) + " " + channel.name + " 0 PWL(\n";
  for (size_t k = 0; k < waveforms.points(); ++k) {
    text += k % kPairsPerLine == 0 ? "+ " : " ";
    AppendNumber(text, waveforms.abscissaValues[k]);
    text += ' ';
    AppendNumber(text, channel.volts[k]);
    if (k % kPairsPerLine == kPairsPerLine - 1) text += '\n';
  }
  if (waveforms.points() % kPairsPerLine != 0) text += '\n';
  return text + "+ )\n";
}

std::string TwoColumns(const Waveforms& waveforms, const Trace& channel) {
  std::string text;
  for (size_t k = 0; k < waveforms.points(); ++k) {
    AppendNumber(text, waveforms.abscissaValues[k]);
    text += ' ';
    AppendNumber(text, channel.volts[k]);
    text += '\n';
  }
  return text;
}

using ChannelText = std::string (*)(const Waveforms&, const Trace&);

// A channel's file lies in the directory asked for: its name is one plain file name.
void CheckFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("/\\") != std::string::npos) {
    throw OutputError("channel \"" + name + "\" cannot name a file");
  }
}

std::vector<std::filesystem::path> WriteChannelFiles(const Waveforms& waveforms,
                                                     const std::filesystem::path& directory,
                                                     const char* extension, ChannelText text) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) throw OutputError("cannot create " + directory.string() + ": " + error.message());
  for (const Trace& channel : waveforms.channels) CheckFileName(channel.name);
  std::vector<std::filesystem::path> written;
  for (const Trace& channel : waveforms.channels) {
    OutputFile file(directory / (channel.name + extension));
    file.Write(text(waveforms, channel));
    file.Commit();
    written.push_back(file.target());
  }
  return written;
}

}  // namespace

std::optional<std::string> WhyNoPwl(const Waveforms& waveforms) {
  const std::vector<double>& time = waveforms.abscissaValues;
  switch (waveforms.abscissa) {
    case Abscissa::kX:
      return "in XY mode there is no time axis";
    case Abscissa::kSampleIndex:
      return "no time axis was delivered";
    case Abscissa::kTime:
      break;
  }
  if (std::ranges::adjacent_find(time, std::greater_equal<>()) != time.end()) {
    return "the time axis does not rise strictly";
  }
  return std::nullopt;
}

std::vector<std::filesystem::path> WritePwl(const Waveforms& waveforms,
                                            const std::filesystem::path& directory) {
  return WriteChannelFiles(waveforms, directory, ".pwl", Source);
}

std::vector<std::filesystem::path> WriteWaveFiles(const Waveforms& waveforms,
                                                  const std::filesystem::path& directory) {
  return WriteChannelFiles(waveforms, directory, ".txt", TwoColumns);
}

}  // namespace scopehost
