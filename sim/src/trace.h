// The trace file: one CSV line per call, as a GPIB call-trace tool shows it, appended as the
// calls happen so that a conversation can be read afterwards (even after a crash).
#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "device.h"

namespace gpibsim {

struct CallRecord;

class Trace {
 public:
  // Bytes of a call's data shown on its line; the line notes the total when there were more.
  static constexpr size_t kShownBytes = 96;

  // Appends to path, with a header row when the file is new or empty. False when the file
  // cannot be opened.
  bool Open(const std::string& path);
  void Close() { file_.reset(); }
  void Write(const CallRecord& record);

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// Bytes as C-escaped text (\n, \r, \t, \0, \\, \", \xNN), at most `shown` of them, with the
// total noted when some were left out.
std::string EscapedBytes(std::span<const uint8_t> bytes, size_t total, size_t shown);
// A field quoted for CSV.
std::string CsvField(const std::string& text);

}  // namespace gpibsim
