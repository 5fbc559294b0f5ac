// The simulation readers on arbitrary bytes: they either refuse them with a message naming the
// input, or return a time axis that is finite and never falls and vectors as long as it, every
// value finite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "simulation/simulation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  scopehost::Simulation simulation;
  try {
    simulation = scopehost::ParseSimulation(bytes, "fuzz.raw");
  } catch (const scopehost::SimulationError& error) {
    if (!std::string_view(error.what()).starts_with("fuzz.raw: ")) std::abort();
    return 0;
  }
  const std::vector<double>& time = simulation.time;
  for (size_t p = 0; p < time.size(); ++p) {
    if (!std::isfinite(time[p]) || (p > 0 && time[p] < time[p - 1])) std::abort();
  }
  for (const scopehost::SimulationVector& vector : simulation.vectors) {
    if (vector.values.size() != time.size()) std::abort();
    for (double value : vector.values) {
      if (!std::isfinite(value)) std::abort();
    }
  }
  return 0;
}
