#include "reader.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <fstream>
#include <iterator>
#include <span>

namespace gpib_recording {

namespace {

// Thrown while reading one line; the caller adds where.
struct LineError {
  std::string what;
};

// A decimal integer, or hexadecimal after 0x, that fits 32 bits.
int32_t Integer(std::string_view name, std::string_view text) {
  int base = 10;
  std::string_view digits = text;
  const bool negative = digits.starts_with('-');
  if (negative) digits.remove_prefix(1);
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  }
  int64_t value = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
    throw LineError{std::string(name) + " is not a number: " + std::string(text)};
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > static_cast<int64_t>(UINT32_MAX)) {
    throw LineError{std::string(name) + " is out of range: " + std::string(text)};
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// Times are written to the microsecond; below a billion seconds that is 15 significant digits,
// which a double carries exactly enough to be written back as the same text.
constexpr double kLongestSeconds = 1e9;

double Seconds(std::string_view name, std::string_view text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(value) || value < 0.0) {
    throw LineError{std::string(name) + " is not a time in seconds: " + std::string(text)};
  }
  if (value >= kLongestSeconds) {
    throw LineError{std::string(name) +
                    " is beyond what a recording carries (under 1e9 s): " + std::string(text)};
  }
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

Bytes HexBytes(std::string_view name, std::string_view text) {
  if (text.size() % 2 != 0) throw LineError{std::string(name) + " has an odd number of hex digits"};
  Bytes bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) throw LineError{std::string(name) + " holds a character not hex"};
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return bytes;
}

// The fields after number and function, each name=value once.
class Fields {
 public:
  explicit Fields(std::span<const std::string_view> tokens) {
    for (const std::string_view token : tokens) {
      const size_t equals = token.find('=');
      if (equals == std::string_view::npos || equals == 0) {
        throw LineError{"a field is not name=value: " + std::string(token)};
      }
      const std::string_view name = token.substr(0, equals);
      for (const auto& field : fields_) {
        if (field.name == name) throw LineError{"field " + std::string(name) + " given twice"};
      }
      fields_.push_back({name, token.substr(equals + 1), false});
    }
  }

  std::string_view Take(std::string_view name) {
    for (auto& field : fields_) {
      if (field.name == name) {
        field.taken = true;
        return field.value;
      }
    }
    throw LineError{"field " + std::string(name) + " is missing"};
  }

  void ExpectAllTaken(std::string_view function) const {
    for (const auto& field : fields_) {
      if (!field.taken) {
        throw LineError{std::string(function) + " has no field " + std::string(field.name)};
      }
    }
  }

 private:
  struct Field {
    std::string_view name;
    std::string_view value;
    bool taken;
  };
  std::vector<Field> fields_;
};

Call ParseCall(std::string_view line) {
  const std::vector<std::string_view> tokens = Tokens(line);
  if (tokens.size() < 2) throw LineError{"a call needs a number and a function"};
  Call call;
  call.number = Integer("the call number", tokens[0]);
  if (call.number < 1) throw LineError{"the call number must be 1 or more"};
  const Signature* signature = SignatureOf(tokens[1]);
  if (signature == nullptr) {
    throw LineError{"no GPIB function is called " + std::string(tokens[1])};
  }
  call.function = std::string(tokens[1]);
  Fields fields(std::span<const std::string_view>(tokens).subspan(2));
  for (size_t i = 0; i < signature->argumentCount; ++i) {
    const std::string_view name = signature->argumentNames[i];
    call.arguments.push_back(Integer(name, fields.Take(name)));
  }
  if (signature->writes) call.written = HexBytes("w", fields.Take("w"));
  if (signature->returns) call.result = Integer("ret", fields.Take("ret"));
  call.ibsta = Integer("ibsta", fields.Take("ibsta"));
  call.iberr = Integer("iberr", fields.Take("iberr"));
  call.ibcntl = Integer("ibcntl", fields.Take("ibcntl"));
  if (signature->reads) call.read = HexBytes("r", fields.Take("r"));
  call.start = Seconds("t", fields.Take("t"));
  call.duration = Seconds("d", fields.Take("d"));
  fields.ExpectAllTaken(call.function);
  return call;
}

void CheckVersionLine(std::string_view line) {
  const std::vector<std::string_view> tokens = Tokens(line);
  if (tokens.size() != 2 || tokens[0] != kMagic) {
    throw LineError{"not a GPIB recording (its first line is not \"" + std::string(kMagic) + " " +
                    std::to_string(kVersion) + "\")"};
  }
  if (tokens[1] != std::to_string(kVersion)) {
    throw LineError{"recording version " + std::string(tokens[1]) +
                    ": this program reads version " + std::to_string(kVersion)};
  }
}

}  // namespace

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t at = 0;
  while (at < line.size()) {
    const size_t start = line.find_first_not_of(" \t", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(line.find_first_of(" \t", start), line.size());
    tokens.push_back(line.substr(start, end - start));
    at = end;
  }
  return tokens;
}

std::vector<Call> ParseRecording(std::string_view text, const std::string& origin) {
  std::vector<Call> calls;
  size_t lineNumber = 0;
  try {
    if (text.empty()) throw LineError{"the recording is empty"};
    while (!text.empty()) {
      ++lineNumber;
      const size_t newline = text.find('\n');
      if (newline == std::string_view::npos) {
        throw LineError{"the recording ends inside this line (cut short?)"};
      }
      std::string_view line = text.substr(0, newline);
      text.remove_prefix(newline + 1);
      if (line.ends_with('\r')) line.remove_suffix(1);
      if (lineNumber == 1) {
        CheckVersionLine(line);
      } else if (!Tokens(line).empty() && !line.starts_with('#')) {
        calls.push_back(ParseCall(line));
      }
    }
  } catch (const LineError& error) {
    const std::string where = lineNumber == 0 ? origin : origin + ":" + std::to_string(lineNumber);
    throw RecordingError(where + ": " + error.what);
  }
  return calls;
}

std::vector<Call> ReadRecording(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw RecordingError(path + ": cannot read the recording");
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return ParseRecording(text, path);
}

}  // namespace gpib_recording
