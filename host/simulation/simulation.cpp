#include "simulation/simulation.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

#include "simulation/raw_file.h"
#include "simulation/simulation_text.h"
#include "simulation/waveform_file.h"

namespace scopehost {

namespace simulation_text {

std::optional<double> FiniteNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

void CheckTime(double time, double previous, const std::string& origin, const std::string& place) {
  if (!std::isfinite(time)) Fail(origin, place + ": the time is not a finite number");
  if (time < previous) Fail(origin, place + ": the time goes back before the previous point's");
}

void Fail(const std::string& origin, const std::string& message) {
  std::string line = origin + ": " + message;
  std::ranges::replace_if(
      line, [](unsigned char c) { return c < ' '; }, ' ');
  throw SimulationError(line);
}

}  // namespace simulation_text

namespace {

bool LooksLikeRawFile(std::string_view bytes) {
  constexpr std::string_view kWide = {"T\0i\0t\0l\0e\0:\0", 12};
  constexpr std::string_view kWideMarked = {"\xFF\xFET\0i\0t\0l\0e\0:\0", 14};
  return bytes.starts_with("Title:") || bytes.starts_with(kWide) || bytes.starts_with(kWideMarked);
}

}  // namespace

const SimulationVector* Simulation::Find(std::string_view name) const {
  const auto found = std::ranges::find_if(vectors, [&](const SimulationVector& vector) {
    return simulation_text::SameIgnoringCase(vector.name, name);
  });
  return found == vectors.end() ? nullptr : &*found;
}

Simulation ParseSimulation(std::string_view bytes, const std::string& origin) {
  if (LooksLikeRawFile(bytes)) return ParseRawFile(bytes, origin);
  return ParseWaveformFile(bytes, origin, std::filesystem::path(origin).stem().string());
}

Simulation ReadSimulation(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) simulation_text::Fail(path.string(), "cannot open the file");
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  if (file.bad()) simulation_text::Fail(path.string(), "cannot read the file");
  return ParseSimulation(bytes, path.string());
}

}  // namespace scopehost
