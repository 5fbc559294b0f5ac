// One GPIB call as a recording holds it: the function, its arguments, the bytes it wrote and
// read, the status it left and when it ran. The recorder writes these, the replaying library
// answers from them, and scopehost prints them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gpib_recording {

using Bytes = std::vector<uint8_t>;

// The first line of every recording; a reader refuses any other version.
inline constexpr std::string_view kMagic = "gpibscope-recording";
inline constexpr int kVersion = 1;

struct Call {
  int64_t number = 0;
  std::string function;
  std::vector<int32_t> arguments;  // in the order the function's Signature names them
  Bytes written;                   // for a function that writes (Signature::writes)
  Bytes read;                      // for a function that reads (Signature::reads)
  int32_t result = 0;              // for a function that returns a value (Signature::returns)
  int32_t ibsta = 0;
  int32_t iberr = 0;
  int32_t ibcntl = 0;
  double start = 0.0;     // seconds since the recording began
  double duration = 0.0;  // seconds
};

// What a function's line holds besides the status: its integer arguments by name, and whether
// it returns a value, writes bytes (ibwrt, Send, the name of ibfindA, the address list of
// FindLstn) or reads them (ibrd, Receive, the byte of ibrsp, 16-bit results little-endian).
struct Signature {
  std::string_view function;
  std::array<std::string_view, 6> argumentNames;
  size_t argumentCount;
  bool returns;
  bool writes;
  bool reads;
};

// The signature of one of the GPIB library's functions, or null for any other name.
const Signature* SignatureOf(std::string_view function);

// Addresses and 16-bit results travel as little-endian byte pairs.
Bytes WordBytes(const int16_t* words, size_t count);
std::vector<int16_t> BytesAsWords(const Bytes& bytes);

}  // namespace gpib_recording
