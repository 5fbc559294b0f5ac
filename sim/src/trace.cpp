#include "trace.h"

#include "transcript.h"

namespace gpibsim {

bool Trace::Open(const std::string& path) {
  return file_.Open(path, gpib_recording::RecordingFile::Mode::kAppend);
}

void Trace::Write(gpib_recording::Call request, const CallRecord& record, int32_t result,
                  const gpib_recording::Outputs& outputs) {
  if (!file_.IsOpen()) return;
  request.number = record.number;
  request.result = result;
  request.ibsta = record.ibsta;
  request.iberr = record.iberr;
  request.ibcntl = record.ibcntl;
  request.start = record.time;
  request.duration = record.duration;
  request.read = gpib_recording::CapturedRead(request, outputs);
  file_.Write(request);
}

}  // namespace gpibsim
