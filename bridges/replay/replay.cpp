// The replay: every call answered from the recording named by GPIBSCOPE_REPLAY, read whole
// at the first call. A call must match the next recorded one (function, arguments, bytes
// written); the first that does not ends the replay with one line, and that call and every
// later one fail with ERR. No call waits: the recorded durations are only for reading.
#include <cstdio>
#include <cstdlib>

#include "front.h"
#include "printer.h"
#include "reader.h"
#include "variables.h"

namespace gpib_replay {

namespace {

using gpib_recording::Call;
using gpib_recording::kReplayVariable;

void Tell(const std::string& line) {
  std::fprintf(stderr, "GPIB replay: %s\n", line.c_str());
}

bool SameRequest(const Call& recorded, const Call& request) {
  return recorded.function == request.function && recorded.arguments == request.arguments &&
         recorded.written == request.written;
}

class Replay {
 public:
  Replay() {
    const char* path = std::getenv(kReplayVariable);
    if (path == nullptr || *path == '\0') {
      Stop(std::string(kReplayVariable) + " names no recording to replay");
      return;
    }
    try {
      calls_ = gpib_recording::ReadRecording(path);
    } catch (const gpib_recording::RecordingError& error) {
      Stop(error.what());
    }
  }

  // The recorded answer to request, or null once the replay has ended.
  const Call* Next(const Call& request) {
    if (stopped_) return nullptr;
    const size_t number = next_ + 1;
    if (next_ == calls_.size()) {
      Stop("call " + std::to_string(number) + ": the recording has no more calls, but came " +
           DescribeRequest(request));
      return nullptr;
    }
    const Call& recorded = calls_[next_++];
    if (!SameRequest(recorded, request)) {
      Stop("call " + std::to_string(number) + ": the recording expected " +
           DescribeRequest(recorded) + ", but came " + DescribeRequest(request));
      return nullptr;
    }
    return &recorded;
  }

 private:
  void Stop(const std::string& why) {
    Tell(why);
    stopped_ = true;
  }

  std::vector<Call> calls_;
  size_t next_ = 0;
  bool stopped_ = false;
};

// Read at the first call, under the call lock.
Replay& TheReplay() {
  static Replay replay;
  return replay;
}

}  // namespace

}  // namespace gpib_replay

const gpib_recording::Call& gpib_front::Answer(gpib_recording::Call& call,
                                               const gpib_recording::Outputs& outputs,
                                               int32_t refused, const Forward&) {
  const gpib_recording::Call* recorded = gpib_replay::TheReplay().Next(call);
  if (recorded == nullptr) return Refused(call, refused);
  gpib_recording::DeliverRead(*recorded, outputs);
  return *recorded;
}
