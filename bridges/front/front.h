// A GPIB library that stands in front of the calls: its exports turn every call into a
// recorded Call (function, arguments, bytes written) and leave the answer to Answer(), which
// the recorder (forwarding to another library) and the replay (answering from a recording)
// each define.
#pragma once

#include <cstdint>

#include "call.h"
#include "capture.h"
#include "ni488/bound_entries.h"

namespace gpib_front {

// The same call made on another library, with the caller's own arguments; returns what it
// returns (0 for a function without a value). Refers to a callable that outlives it.
class Forward {
 public:
  template <typename Callable>
  Forward(Callable& callable)  // NOLINT: built implicitly from the exports' lambdas
      : object_(&callable), call_([](void* object, const GpibEntries& gpib) {
          return (*static_cast<Callable*>(object))(gpib);
        }) {}
  int32_t operator()(const GpibEntries& gpib) const { return call_(object_, gpib); }

 private:
  void* object_;
  int32_t (*call_)(void*, const GpibEntries&);
};

// Answers call (its function, arguments and written bytes filled in) and delivers what it read
// into outputs; returns the call that answers it, whose value and status the exports publish:
// call itself, filled in, or one recorded earlier. refused is the value of a call that fails
// before it is made. Defined by each library that stands in front; called under the call lock.
const gpib_recording::Call& Answer(gpib_recording::Call& call,
                                   const gpib_recording::Outputs& outputs, int32_t refused,
                                   const Forward& forward);

// call refused before it is made: ERR with EDVR, nothing transferred, refused as its value.
const gpib_recording::Call& Refused(gpib_recording::Call& call, int32_t refused);

}  // namespace gpib_front
