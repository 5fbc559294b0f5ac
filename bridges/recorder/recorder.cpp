// The recorder: every call forwarded to the GPIB library named by GPIBSCOPE_TRACE_GPIB (on
// Windows the system's own by default) and written, complete, to the recording named by
// GPIBSCOPE_TRACE. Both are read at the first call.
#include <chrono>
#include <climits>
#include <cstdio>

#include "answering_library.h"
#include "bridge.h"
#include "variables.h"
#include "writer.h"

namespace gpib_recorder {

namespace {

using Clock = std::chrono::steady_clock;

void Tell(const std::string& line) {
  std::fprintf(stderr, "GPIB recorder: %s\n", line.c_str());
}

std::optional<GpibEntries> AnsweringLibrary() {
  std::string path = EnvironmentValue(gpib_recording::kTraceLibraryVariable);
  if (path.empty()) path = SystemGpibLibrary();
  if (path.empty()) {
    Tell(std::string(gpib_recording::kTraceLibraryVariable) + " names no GPIB library to record");
    return std::nullopt;
  }
  std::string why;
  std::optional<GpibEntries> entries = LoadAnsweringLibrary(path, why);
  if (!entries) Tell("cannot use the GPIB library " + path + ": " + why);
  return entries;
}

struct Recorder {
  Recorder() : gpib(AnsweringLibrary()), began(Clock::now()) {
    StayLoaded();
    const std::string path = EnvironmentValue(gpib_recording::kTraceVariable);
    if (!path.empty() && !file.Open(path, gpib_recording::RecordingFile::Mode::kReplace)) {
      Tell("cannot write the recording " + path + "; the calls go unrecorded");
    }
  }

  double Seconds() const { return std::chrono::duration<double>(Clock::now() - began).count(); }

  std::optional<GpibEntries> gpib;
  gpib_recording::RecordingFile file;
  Clock::time_point began;
  int64_t calls = 0;
};

// An ibsta no library leaves (status words have 16 bits).
constexpr int32_t kUnwritten = INT32_MIN;

// Makes the call on the answering library and takes the status it left into call. The library
// writes its status variables, or, where the loader bound its own references to them to ours
// (the recorder loaded globally, or a program that links the GPIB library and holds the
// variables itself), writes ours: ours are marked before the call to tell which.
int32_t ForwardAndTakeStatus(const GpibEntries& gpib, const gpib_front::Forward& forward,
                             gpib_recording::Call& call) {
  user_ibsta = kUnwritten;
  const int32_t result = forward(gpib);
  const bool wroteOurs = user_ibsta != kUnwritten;
  call.ibsta = wroteOurs ? user_ibsta : *gpib.ibsta;
  call.iberr = wroteOurs ? user_iberr : *gpib.iberr;
  call.ibcntl = wroteOurs ? user_ibcntl : *gpib.ibcntl;
  return result;
}

// Set up at the first call, under the call lock.
Recorder& TheRecorder() {
  static Recorder recorder;
  return recorder;
}

}  // namespace

}  // namespace gpib_recorder

const gpib_recording::Call& gpib_front::Answer(gpib_recording::Call& call,
                                               const gpib_recording::Outputs& outputs,
                                               int32_t refused, const Forward& forward) {
  gpib_recorder::Recorder& recorder = gpib_recorder::TheRecorder();
  call.number = ++recorder.calls;
  call.start = recorder.Seconds();
  if (recorder.gpib) {
    call.result = gpib_recorder::ForwardAndTakeStatus(*recorder.gpib, forward, call);
    call.read = gpib_recording::CapturedRead(call, outputs);
  } else {
    Refused(call, refused);
  }
  call.duration = recorder.Seconds() - call.start;
  recorder.file.Write(call);
  return call;
}
