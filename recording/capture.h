// A GPIB call's arguments as the caller passes them: what it writes taken into a Call, and
// what it reads taken from the caller's outputs after the call (to record it) or put into
// them (to answer it from a recording).
#pragma once

#include <cstdint>

#include "call.h"

namespace gpib_recording {

// A call as its caller makes it: function, arguments and the bytes it writes.
Call Request(const char* function, std::vector<int32_t> arguments, Bytes written = {});

// What a call writes: count bytes of a buffer (none from a null buffer), the characters of
// a name, the addresses of a list up to its terminating NOADDR (two bytes each).
Bytes BufferBytes(const void* buffer, int32_t count);
Bytes NameBytes(const char* name);
Bytes AddressListBytes(const int16_t* addresses);

// Where a call puts what it reads, as the caller passed it; which one a function uses
// follows its signature.
struct Outputs {
  void* buffer = nullptr;  // ibrd, Receive: capacity bytes
  int32_t capacity = 0;
  char* statusByte = nullptr;  // ibrsp
  int16_t* word = nullptr;     // ReadStatusByte, WaitSRQ
  int16_t* results = nullptr;  // FindLstn: capacity entries
};

// What a call read, taken from its outputs after the call (ibcntl bytes of a buffer, the
// status byte or word unless the call failed, ibcntl results of FindLstn).
Bytes CapturedRead(const Call& call, const Outputs& outputs);

// A recorded call's read bytes put into the caller's outputs, never more than they hold.
void DeliverRead(const Call& recorded, const Outputs& outputs);

}  // namespace gpib_recording
