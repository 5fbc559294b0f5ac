// A recording as a person reads a GPIB call trace: one line a call, the status word decoded,
// iberr by name, text shown as text and binary as hex, long transfers folded.
#pragma once

#include <string>

#include "call.h"

namespace gpib_recording {

// The status bits set in ibsta by name, most significant first: "ERR TIMO CMPL".
std::string StatusText(int32_t ibsta);

// iberr by name ("EABO"), or its number when it has none.
std::string ErrorName(int32_t iberr);

// The call's one line, without its newline.
std::string DescribeCall(const Call& call);

// The call's function and what it was given, as "ibwrt(ud=1, count=6, \"*IDN?\\n\")": what a
// replay compares.
std::string DescribeRequest(const Call& call);

}  // namespace gpib_recording
