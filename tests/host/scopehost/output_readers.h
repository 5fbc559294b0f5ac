// The files scopehost writes, read back.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hosttest {

struct CsvData {
  std::map<std::string, std::string> metadata;  // "# key: value" lines
  std::vector<std::string> headings;
  std::vector<std::vector<double>> columns;  // one per heading
};

// Throws std::runtime_error for a line that is not as scopehost writes it.
CsvData ReadCsv(const std::filesystem::path& path);

struct PwlSource {
  std::string name;  // V_CH1
  std::string node;  // ch1
  std::vector<double> times;
  std::vector<double> volts;
};

PwlSource ReadPwl(const std::filesystem::path& path);

// The times and the volts of a waveform file; throws for a line that is not two numbers.
std::array<std::vector<double>, 2> ReadWaveFile(const std::filesystem::path& path);

}  // namespace hosttest
