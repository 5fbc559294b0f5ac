// Every call of the library's exported functions, in order: kept in memory for the control
// interface (the latest kMaxCalls, each with the first bytes it moved), beside the trace file
// that the exports write complete calls to when one is open.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "device.h"
#include "trace.h"

namespace gpibsim {

struct CallRecord {
  int32_t number = 0;
  std::string function;
  std::string arguments;
  int32_t ibsta = 0;
  int32_t iberr = 0;
  int32_t ibcntl = 0;
  Bytes data;             // the first bytes moved (Outcome::kKeptBytes at most)
  int32_t dataTotal = 0;  // all bytes moved
  double time = 0.0;
  double duration = 0.0;
};

class Transcript {
 public:
  // Enough for any acquisition and its retries; older calls make way in long runs. A record
  // takes at most about 500 bytes (some 140 of its own, its arguments' text, kKeptBytes of
  // data), so a full transcript stays under 50 MB; about 21 MB for the default bench's
  // acquisitions.
  static constexpr size_t kMaxCalls = 100000;

  // Numbers the record and keeps it.
  void Add(CallRecord record);
  size_t Size() const { return calls_.size(); }
  // Records stay where they are until they make way or the transcript is emptied.
  const CallRecord& At(size_t index) const { return calls_[index]; }
  // Empties the transcript and numbers from 1 again; the trace file keeps its lines.
  void Clear();
  Trace& trace() { return trace_; }

 private:
  std::deque<CallRecord> calls_;
  int32_t nextNumber_ = 1;
  Trace trace_;
};

}  // namespace gpibsim
