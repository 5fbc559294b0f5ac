// The trace file: every call appended as the calls happen, complete, as a GPIB recording
// (the format the recorder writes and the replay reads), with the simulated bus's time.
#pragma once

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
  // The call as request holds it (function, arguments, bytes written) with what record and
  // result say it did and what it left in outputs.
  void Write(gpib_recording::Call request, const CallRecord& record, int32_t result,
             const gpib_recording::Outputs& outputs);

 private:
  gpib_recording::RecordingFile file_;
};

}  // namespace gpibsim
