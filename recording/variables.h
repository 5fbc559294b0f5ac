// The environment through which a host sets up the recorder and the replay; each reads its
// variables at its first call.
#pragma once

namespace gpib_recording {

inline constexpr const char* kTraceVariable = "GPIBSCOPE_TRACE";  // the recording to write
// The GPIB library the recorder stands in front of.
inline constexpr const char* kTraceLibraryVariable = "GPIBSCOPE_TRACE_GPIB";
inline constexpr const char* kReplayVariable = "GPIBSCOPE_REPLAY";  // the recording to answer from

}  // namespace gpib_recording
