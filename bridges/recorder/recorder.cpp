// The recorder: every call forwarded to the GPIB library named by GPIBSCOPE_TRACE_GPIB (on
// Windows the system's own by default) and written, complete, to the recording named by
// GPIBSCOPE_TRACE. Both are read at the first call.
#include <chrono>
#include <cstdio>

#include "answering_library.h"
#include "bridge.h"
#include "writer.h"

namespace gpib_recorder {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kRecordingVariable = "GPIBSCOPE_TRACE";
constexpr const char* kLibraryVariable = "GPIBSCOPE_TRACE_GPIB";

void Tell(const std::string& line) {
  std::fprintf(stderr, "GPIB recorder: %s\n", line.c_str());
}

std::optional<gpib_front::GpibEntries> AnsweringLibrary() {
  std::string path = EnvironmentValue(kLibraryVariable);
  if (path.empty()) path = SystemGpibLibrary();
  if (path.empty()) {
    Tell(std::string(kLibraryVariable) + " names no GPIB library to record");
    return std::nullopt;
  }
  std::string why;
  std::optional<gpib_front::GpibEntries> entries = LoadAnsweringLibrary(path, why);
  if (!entries) Tell("cannot use the GPIB library " + path + ": " + why);
  return entries;
}

struct Recorder {
  Recorder() : gpib(AnsweringLibrary()), began(Clock::now()) {
    StayLoaded();
    const std::string path = EnvironmentValue(kRecordingVariable);
    if (!path.empty() && !file.Open(path, gpib_recording::RecordingFile::Mode::kReplace)) {
      Tell("cannot write the recording " + path + "; the calls go unrecorded");
    }
  }

  double Seconds() const { return std::chrono::duration<double>(Clock::now() - began).count(); }

  std::optional<gpib_front::GpibEntries> gpib;
  gpib_recording::RecordingFile file;
  Clock::time_point began;
  int64_t calls = 0;
};

// Set up at the first call, under the call lock.
Recorder& TheRecorder() {
  static Recorder recorder;
  return recorder;
}

}  // namespace

}  // namespace gpib_recorder

int32_t gpib_front::Answer(gpib_recording::Call& call, const gpib_recording::Outputs& outputs,
                           int32_t refused, const Forward& forward) {
  std::lock_guard lock(gpib_bridge::CallLock());
  gpib_recorder::Recorder& recorder = gpib_recorder::TheRecorder();
  call.number = ++recorder.calls;
  call.start = recorder.Seconds();
  if (recorder.gpib) {
    call.result = forward(*recorder.gpib);
    call.ibsta = *recorder.gpib->ibsta;
    call.iberr = *recorder.gpib->iberr;
    call.ibcntl = *recorder.gpib->ibcntl;
    call.read = gpib_recording::CapturedRead(call, outputs);
  } else {
    call.result = refused;
    call.ibsta = ERR;
    call.iberr = EDVR;
  }
  call.duration = recorder.Seconds() - call.start;
  recorder.file.Write(call);
  gpib_bridge::Publish({.ibsta = call.ibsta, .iberr = call.iberr, .count = call.ibcntl});
  return call.result;
}
