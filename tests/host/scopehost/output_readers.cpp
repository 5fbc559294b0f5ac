#include "output_readers.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hosttest {

namespace {

double Number(std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    throw std::runtime_error("not a number: \"" + std::string(text) + "\"");
  }
  return value;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
  return fields;
}

std::ifstream Opened(const std::filesystem::path& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  return file;
}

}  // namespace

CsvData ReadCsv(const std::filesystem::path& path) {
  std::ifstream file = Opened(path);
  CsvData data;
  std::string line;
  while (std::getline(file, line) && line.starts_with("# ")) {
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) throw std::runtime_error("metadata line: " + line);
    data.metadata[line.substr(2, colon - 2)] = line.substr(colon + 2);
  }
  data.headings = Split(line, ',');
  data.columns.resize(data.headings.size());
  while (std::getline(file, line)) {
    const std::vector<std::string> fields = Split(line, ',');
    if (fields.size() != data.headings.size()) throw std::runtime_error("row: " + line);
    for (size_t c = 0; c < fields.size(); ++c) data.columns[c].push_back(Number(fields[c]));
  }
  return data;
}

PwlSource ReadPwl(const std::filesystem::path& path) {
  std::ifstream file = Opened(path);
  PwlSource source;
  std::string line;
  while (std::getline(file, line) && line.starts_with("*")) {
  }
  std::istringstream element(line);
  std::string ground, pwl;
  element >> source.name >> source.node >> ground >> pwl;
  if (ground != "0" || pwl != "PWL(") throw std::runtime_error("source line: " + line);
  bool closed = false;
  std::vector<double> numbers;
  while (!closed && std::getline(file, line)) {
    if (!line.starts_with("+")) throw std::runtime_error("continuation line: " + line);
    std::istringstream words(line.substr(1));
    for (std::string word; words >> word;) {
      if (word == ")") {
        closed = true;
      } else {
        numbers.push_back(Number(word));
      }
    }
  }
  if (!closed || numbers.size() % 2 != 0) throw std::runtime_error("unfinished PWL source");
  for (size_t k = 0; k < numbers.size(); k += 2) {
    source.times.push_back(numbers[k]);
    source.volts.push_back(numbers[k + 1]);
  }
  return source;
}

std::array<std::vector<double>, 2> ReadWaveFile(const std::filesystem::path& path) {
  std::ifstream file = Opened(path);
  std::array<std::vector<double>, 2> columns;
  for (std::string line; std::getline(file, line);) {
    const std::vector<std::string> fields = Split(line, ' ');
    if (fields.size() != 2) throw std::runtime_error("waveform line: " + line);
    for (size_t c = 0; c < 2; ++c) columns[c].push_back(Number(fields[c]));
  }
  return columns;
}

}  // namespace hosttest
