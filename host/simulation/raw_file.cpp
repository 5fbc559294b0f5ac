#include "simulation/raw_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <sstream>

#include "simulation/simulation_text.h"

namespace scopehost {

namespace {

using simulation_text::Fail;

struct Header {
  std::vector<std::string> names;  // time first
  size_t points = 0;
  bool binary = false;
  bool doubleValues = false;  // LTspice: values as doubles, not floats
  bool fastAccess = false;    // LTspice: each vector's points together
};

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return lower;
}

std::vector<std::string> Words(std::string_view text) {
  std::istringstream stream{std::string(text)};
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

template <typename Number>
Number Take(std::string_view bytes, size_t at) {
  Number value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

class RawReader {
 public:
  RawReader(std::string_view bytes, const std::string& origin)
      : bytes_(bytes), origin_(origin), wide_(bytes.size() > 1 && bytes[1] == '\0') {
    if (bytes_.starts_with("\xFF\xFE")) {
      wide_ = true;
      at_ = 2;
    }
  }

  Simulation Read() {
    ReadHeader();
    Simulation simulation;
    for (size_t k = 1; k < header_.names.size(); ++k)
      simulation.vectors.push_back({header_.names[k], {}});
    if (header_.binary) {
      ReadBinary(simulation);
    } else {
      ReadValues(simulation);
    }
    CheckPoints(simulation);
    return simulation;
  }

 private:
  // The next header line in the file's encoding (UTF-16 code units above 0x7F become '?'),
  // or nothing at the end of the bytes.
  std::optional<std::string> NextLine() {
    if (at_ >= bytes_.size()) return std::nullopt;
    std::string line;
    const size_t unit = wide_ ? 2 : 1;
    for (; at_ + unit <= bytes_.size(); at_ += unit) {
      const auto low = static_cast<unsigned char>(bytes_[at_]);
      const bool ascii = !wide_ || bytes_[at_ + 1] == '\0';
      if (ascii && low == '\n') {
        at_ += unit;
        break;
      }
      line += ascii && low < 0x80 ? static_cast<char>(low) : '?';
    }
    if (at_ + unit > bytes_.size() && at_ < bytes_.size()) at_ = bytes_.size();
    return std::string(Trimmed(line));
  }

  size_t Count(std::string_view key, std::string_view text) const {
    size_t count = 0;
    text = Trimmed(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count == 0) {
      Fail(origin_, "header line \"" + std::string(key) + ":\" must hold a count above 0");
    }
    return count;
  }

  void ReadVariables(std::string_view sameLine, size_t count) {
    for (size_t k = 0; k < count; ++k) {
      const std::optional<std::string> line =
          k == 0 && !sameLine.empty() ? std::optional<std::string>(sameLine) : NextLine();
      const std::vector<std::string> words = line ? Words(*line) : std::vector<std::string>{};
      if (words.size() < 3 || words[0] != std::to_string(k)) {
        Fail(origin_, "the header lists " + std::to_string(k) + " of its " + std::to_string(count) +
                          " variables (\"index name type\" each)");
      }
      header_.names.push_back(words[1]);
    }
  }

  void ReadFlags(std::string_view text) {
    for (const std::string& flag : Words(Lower(text))) {
      if (flag == "complex") {
        Fail(origin_,
             "complex values (an AC or noise analysis): only a real transient analysis "
             "compares with a record");
      }
      if (flag == "double") header_.doubleValues = true;
      if (flag == "fastaccess") header_.fastAccess = true;
    }
  }

  void ReadHeader() {
    size_t variables = 0;
    bool gotPoints = false;
    while (const std::optional<std::string> line = NextLine()) {
      if (*line == "Binary:" || *line == "Values:") {
        header_.binary = *line == "Binary:";
        CheckHeader(gotPoints);
        return;
      }
      const size_t colon = line->find(':');
      if (colon == std::string::npos) continue;
      const std::string key = Lower(Trimmed(std::string_view(*line).substr(0, colon)));
      const std::string_view value = std::string_view(*line).substr(colon + 1);
      if (key == "flags") ReadFlags(value);
      if (key == "no. variables") variables = Count("No. Variables", value);
      if (key == "no. points") {
        header_.points = Count("No. Points", value);
        gotPoints = true;
      }
      if (key == "variables") {
        if (variables == 0) Fail(origin_, "\"Variables:\" comes before \"No. Variables:\"");
        ReadVariables(Trimmed(value), variables);
      }
    }
    Fail(origin_, "the header ends without a \"Binary:\" or \"Values:\" line");
  }

  void CheckHeader(bool gotPoints) const {
    if (header_.names.empty()) Fail(origin_, "the header lists no variables");
    if (!gotPoints) Fail(origin_, "the header has no \"No. Points:\" line");
    if (header_.names.size() < 2) Fail(origin_, "the header names no vector besides the time");
    if (Lower(header_.names.front()) != "time") {
      Fail(origin_, "the first variable is \"" + header_.names.front() +
                        "\", not time: only a transient analysis compares with a record");
    }
  }

  size_t ValueWidth() const { return !wide_ || header_.doubleValues ? 8 : 4; }

  double ValueAt(size_t at) const {
    return ValueWidth() == 8 ? Take<double>(bytes_, at) : Take<float>(bytes_, at);
  }

  void ReadBinary(Simulation& simulation) {
    const std::string_view data = bytes_.substr(at_);
    const size_t vectors = simulation.vectors.size();
    const size_t row = 8 + vectors * ValueWidth();
    if (data.size() / row < header_.points) {
      Fail(origin_, "the data stops after " + std::to_string(data.size() / row) + " of the " +
                        std::to_string(header_.points) + " points the header promises");
    }
    const size_t points = header_.points;
    simulation.time.resize(points);
    for (SimulationVector& vector : simulation.vectors) vector.values.resize(points);
    for (size_t p = 0; p < points; ++p) {
      // Point-major: time and every value per point; fast access: the times, then each vector.
      const size_t timeAt = at_ + (header_.fastAccess ? p * 8 : p * row);
      simulation.time[p] = Take<double>(bytes_, timeAt);
      for (size_t v = 0; v < vectors; ++v) {
        const size_t valueAt = header_.fastAccess
                                   ? at_ + points * (8 + v * ValueWidth()) + p * ValueWidth()
                                   : timeAt + 8 + v * ValueWidth();
        simulation.vectors[v].values[p] = ValueAt(valueAt);
      }
    }
  }

  // The text after "Values:": the point's number, then the time and each vector's value.
  void ReadValues(Simulation& simulation) {
    std::string text;
    while (const std::optional<std::string> line = NextLine()) text += *line + '\n';
    std::istringstream stream(text);
    std::string word;
    for (size_t p = 0; p < header_.points; ++p) {
      if (!(stream >> word)) {
        Fail(origin_, "the values stop after " + std::to_string(p) + " of the " +
                          std::to_string(header_.points) + " points the header promises");
      }
      if (word != std::to_string(p)) {
        Fail(origin_,
             "point " + std::to_string(p) + ": starts with \"" + word + "\", not its number");
      }
      for (size_t v = 0; v < header_.names.size(); ++v) {
        const std::string place = "point " + std::to_string(p) + " of " + header_.names[v];
        if (!(stream >> word)) Fail(origin_, place + ": the values stop");
        const auto value = simulation_text::FiniteNumber(word);
        if (!value) Fail(origin_, place + ": \"" + word + "\" is not a finite number");
        (v == 0 ? simulation.time : simulation.vectors[v - 1].values).push_back(*value);
      }
    }
  }

  // LTspice marks points of its compressed time axis by a negative time; the time is its
  // magnitude. Every number must be finite and the time must never fall.
  void CheckPoints(Simulation& simulation) const {
    double previous = -std::numeric_limits<double>::infinity();
    for (size_t p = 0; p < simulation.time.size(); ++p) {
      double& time = simulation.time[p];
      if (wide_) time = std::abs(time);
      simulation_text::CheckTime(time, previous, origin_, "point " + std::to_string(p));
      previous = time;
      for (const SimulationVector& vector : simulation.vectors) {
        if (!std::isfinite(vector.values[p])) {
          Fail(origin_, "point " + std::to_string(p) + " of " + vector.name +
                            ": the value is not a finite number");
        }
      }
    }
  }

  std::string_view bytes_;
  const std::string& origin_;
  bool wide_;
  size_t at_ = 0;
  Header header_;
};

}  // namespace

Simulation ParseRawFile(std::string_view bytes, const std::string& origin) {
  return RawReader(bytes, origin).Read();
}

}  // namespace scopehost
