// Simulation results read back for comparison with what the bench measured: a transient
// analysis's time axis and its named vectors, from ngspice and LTspice raw files or a
// two-column waveform file.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scopehost {

// A file that cannot be read as a simulation; what() is one line starting with the file's
// name and saying what is wrong and where.
class SimulationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct SimulationVector {
  std::string name;            // as the file names it: "v(out)", "V(n001)", "I(R1)"
  std::vector<double> values;  // one per time point
};

struct Simulation {
  std::vector<double> time;  // seconds, finite, never falling
  std::vector<SimulationVector> vectors;

  // The vector of that name, compared without regard to case, or null.
  const SimulationVector* Find(std::string_view name) const;
};

// Reads a file by its content: an ngspice raw file (binary or ASCII), an LTspice raw file
// (UTF-16 header, binary or ASCII), or else two columns of time and value, whose one vector is
// named after the file's stem. Throws SimulationError.
Simulation ReadSimulation(const std::filesystem::path& path);

// The same from bytes already read; origin names them in messages and a waveform's vector.
Simulation ParseSimulation(std::string_view bytes, const std::string& origin);

}  // namespace scopehost
