#include "simulation/reference.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "simulation/simulation_text.h"

namespace scopehost {

namespace {

using simulation_text::Fail;
using simulation_text::SameIgnoringCase;

// "VECTOR=CHANNEL,..." as pairs, or nothing when the text is not such a list.
std::optional<std::vector<std::pair<std::string, std::string>>> Pairs(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  while (!text.empty()) {
    const std::string_view item = text.substr(0, text.find(','));
    text.remove_prefix(std::min(text.size(), item.size() + 1));
    const size_t equals = item.find('=');
    if (equals == 0 || equals == std::string_view::npos || equals + 1 == item.size()) {
      return std::nullopt;
    }
    pairs.emplace_back(item.substr(0, equals), item.substr(equals + 1));
  }
  if (pairs.empty()) return std::nullopt;
  return pairs;
}

// The vector name with a voltage's "v(...)" taken off: "v(ch2)" and "ch2" both name ch2.
std::string_view NodeName(std::string_view vector) {
  if (vector.size() > 3 && (vector[0] == 'v' || vector[0] == 'V') && vector[1] == '(' &&
      vector.back() == ')') {
    return vector.substr(2, vector.size() - 3);
  }
  return vector;
}

const Trace* FindChannel(const Waveforms& waveforms, std::string_view name) {
  const auto found = std::ranges::find_if(waveforms.channels, [&](const Trace& channel) {
    return SameIgnoringCase(channel.name, name);
  });
  return found == waveforms.channels.end() ? nullptr : &*found;
}

std::vector<std::pair<std::string, std::string>> PairsByName(const ReferenceSource& source,
                                                             const Waveforms& waveforms) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const SimulationVector& vector : source.simulation.vectors) {
    if (const Trace* channel = FindChannel(waveforms, NodeName(vector.name))) {
      pairs.emplace_back(vector.name, channel->name);
    }
  }
  if (pairs.empty()) {
    Fail(source.file, "no vector is named as an acquired channel; pair them as " + source.file +
                          ":VECTOR=CHANNEL");
  }
  return pairs;
}

}  // namespace

ReferenceSource LoadReferenceSource(std::string_view argument) {
  ReferenceSource source;
  source.file = argument;
  if (const size_t colon = argument.rfind(':'); colon != std::string_view::npos) {
    if (auto pairs = Pairs(argument.substr(colon + 1))) {
      source.file = argument.substr(0, colon);
      source.pairs = std::move(*pairs);
    }
  }
  if (source.file.empty()) Fail(std::string(argument), "no simulation file named");
  source.simulation = ReadSimulation(source.file);
  return source;
}

std::vector<double> Interpolated(const std::vector<double>& times,
                                 const std::vector<double>& values, const std::vector<double>& at) {
  std::vector<double> result(at.size(), std::numeric_limits<double>::quiet_NaN());
  if (times.empty()) return result;
  for (size_t k = 0; k < at.size(); ++k) {
    const double t = at[k];
    if (!(t >= times.front() && t <= times.back())) continue;
    // The first simulated point at or after t, and the one before it.
    const size_t after = std::ranges::lower_bound(times, t) - times.begin();
    if (times[after] == t || after == 0) {
      result[k] = values[after];
      continue;
    }
    const double t0 = times[after - 1], t1 = times[after];
    result[k] = values[after - 1] + (values[after] - values[after - 1]) * ((t - t0) / (t1 - t0));
  }
  return result;
}

std::vector<Reference> MatchReferences(const std::vector<ReferenceSource>& sources,
                                       const Waveforms& waveforms) {
  std::vector<Reference> references;
  for (const ReferenceSource& source : sources) {
    if (waveforms.abscissa != Abscissa::kTime) {
      Fail(source.file, "the acquisition has no time axis to compare on");
    }
    const auto pairs = source.pairs.empty() ? PairsByName(source, waveforms) : source.pairs;
    for (const auto& [vectorName, channelName] : pairs) {
      const SimulationVector* vector = source.simulation.Find(vectorName);
      if (vector == nullptr) Fail(source.file, "no vector \"" + vectorName + "\"");
      const Trace* channel = FindChannel(waveforms, channelName);
      if (channel == nullptr) Fail(source.file, "no acquired channel \"" + channelName + "\"");
      references.push_back(
          {vector->name, channel->name, source.file,
           Interpolated(source.simulation.time, vector->values, waveforms.abscissaValues)});
    }
  }
  return references;
}

}  // namespace scopehost
