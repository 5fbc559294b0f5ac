// The trace file: every call appended as the calls happen, complete, as a GPIB recording
// (the format the recorder writes and the replay reads), with the simulated bus's time.
#pragma once

#include <span>
#include <string>

#include "capture.h"
#include "writer.h"

namespace gpibsim {

struct CallRecord;

class Trace {
 public:
  // Appends to path, with the version line when the file is new or empty. False when the
  // file cannot be opened.
  bool Open(const std::string& path);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  // The call as request holds it (function, arguments, bytes written) with what record and
  // result say it did and what it left in outputs.
  void Write(gpib_recording::Call request, const CallRecord& record, int32_t result,
             const gpib_recording::Outputs& outputs);

 private:
  gpib_recording::RecordingFile file_;
};

// Bytes as C-escaped text (\n, \r, \t, \0, \\, \", \xNN), at most `shown` of them, with the
// total noted when some were left out.
std::string EscapedBytes(std::span<const uint8_t> bytes, size_t total, size_t shown);

}  // namespace gpibsim
