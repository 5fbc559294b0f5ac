// What one acquisition delivered, as the writers see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scopehost {

// The first column: what the channels are plotted against.
enum class Abscissa {
  kTime,         // array 0 is a time axis in seconds
  kX,            // Hameg XY mode: array 0 is the X signal in volts
  kSampleIndex,  // array 0 was not written: the samples are numbered 0, 1, ...
};

struct Trace {
  std::string name;  // "ch1" ... "ch4", or "Y" in XY mode
  std::vector<double> volts;
};

struct Waveforms {
  int32_t type = 0;
  std::string deviceName;  // the module's display name, trailing blanks removed
  Abscissa abscissa = Abscissa::kTime;
  std::vector<double> abscissaValues;  // seconds, volts or sample numbers; one per point
  std::vector<Trace> channels;         // each with as many values as abscissaValues
  std::chrono::system_clock::time_point acquiredAt;
  double durationSeconds = 0.0;

  size_t points() const { return abscissaValues.size(); }
};

// "time", "X" or "sample", and the unit in parentheses for headers and axis labels.
inline const char* AbscissaName(Abscissa abscissa) {
  switch (abscissa) {
    case Abscissa::kTime:
      return "time";
    case Abscissa::kX:
      return "X";
    case Abscissa::kSampleIndex:
      return "sample";
  }
  return "";
}
inline const char* AbscissaUnit(Abscissa abscissa) {
  return abscissa == Abscissa::kTime ? "s" : abscissa == Abscissa::kX ? "V" : "";
}

inline constexpr std::string_view kVolts = "V";

// "time (s)", "ch1 (V)", "sample": a column heading or axis label with its unit.
inline std::string Heading(std::string_view name, std::string_view unit) {
  std::string heading(name);
  if (!unit.empty()) heading += " (" + std::string(unit) + ")";
  return heading;
}

}  // namespace scopehost
