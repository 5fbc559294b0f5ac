#include "simulation/waveform_file.h"

#include <limits>

#include "simulation/simulation_text.h"

namespace scopehost {

namespace {

using simulation_text::Fail;

constexpr std::string_view kBlanks = " \t\r\f\v";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsComment(std::string_view line) {
  return line.empty() || line.front() == '*' || line.front() == '#' || line.front() == ';';
}

// The time and the value of one line, or nothing when it holds anything else.
std::optional<std::pair<double, double>> TimeAndValue(std::string_view line) {
  const size_t gap = line.find_first_of(" \t,");
  if (gap == std::string_view::npos) return std::nullopt;
  std::string_view rest = Trimmed(line.substr(gap));
  if (!rest.empty() && rest.front() == ',') rest = Trimmed(rest.substr(1));
  const auto time = simulation_text::FiniteNumber(line.substr(0, gap));
  const auto value = simulation_text::FiniteNumber(rest);
  if (!time || !value) return std::nullopt;
  return std::pair{*time, *value};
}

}  // namespace

Simulation ParseWaveformFile(std::string_view text, const std::string& origin,
                             const std::string& vectorName) {
  Simulation simulation;
  simulation.vectors.push_back({vectorName, {}});
  std::vector<double>& values = simulation.vectors.front().values;
  double previous = -std::numeric_limits<double>::infinity();
  size_t lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::string place = "line " + std::to_string(++lineNumber);
    if (IsComment(line)) continue;
    const auto point = TimeAndValue(line);
    if (!point) Fail(origin, place + ": expected a time and a value, two finite numbers");
    simulation_text::CheckTime(point->first, previous, origin, place);
    previous = point->first;
    simulation.time.push_back(point->first);
    values.push_back(point->second);
  }
  if (simulation.time.empty()) Fail(origin, "no time and value in the file");
  return simulation;
}

}  // namespace scopehost
