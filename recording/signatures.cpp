#include <algorithm>

#include "call.h"
#include "ni488/bound_names.h"

namespace gpib_recording {

namespace {

// clang-format off
constexpr Signature kSignatures[] = {
    {"ibclr", {"ud"}, 1, true, false, false},
    {"ibdev", {"board", "pad", "sad", "tmo", "eot", "eos"}, 6, true, false, false},
    {"ibonl", {"ud", "v"}, 2, true, false, false},
    {"ibrd", {"ud", "count"}, 2, true, false, true},
    {"ibrsp", {"ud"}, 1, true, false, true},
    {"ibtrg", {"ud"}, 1, true, false, false},
    {"ibwait", {"ud", "mask"}, 2, true, false, false},
    {"ibwrt", {"ud", "count"}, 2, true, true, false},
    {"ibfindA", {}, 0, true, true, false},
    {"ibfind", {}, 0, true, true, false},
    {"ibloc", {"ud"}, 1, true, false, false},
    {"ibtmo", {"ud", "v"}, 2, true, false, false},
    {"DevClear", {"board", "address"}, 2, false, false, false},
    {"FindLstn", {"board", "limit"}, 2, false, true, true},
    {"ReadStatusByte", {"board", "address"}, 2, false, false, true},
    {"Receive", {"board", "address", "count", "termination"}, 4, false, false, true},
    {"Send", {"board", "address", "count", "eot"}, 4, false, true, false},
    {"SendIFC", {"board"}, 1, false, false, false},
    {"WaitSRQ", {"board"}, 1, false, false, true},
};
// clang-format on

constexpr const Signature* Find(std::string_view function) {
  const auto* found = std::find_if(std::begin(kSignatures), std::end(kSignatures),
                                   [&](const Signature& s) { return s.function == function; });
  return found == std::end(kSignatures) ? nullptr : found;
}

// Every function the module binds has its line.
#define RECORDING_HAS_SIGNATURE(name, member, Type) static_assert(Find(#name) != nullptr);
NI488_FUNCTIONS(RECORDING_HAS_SIGNATURE, RECORDING_HAS_SIGNATURE)
#undef RECORDING_HAS_SIGNATURE

}  // namespace

const Signature* SignatureOf(std::string_view function) {
  return Find(function);
}

Bytes WordBytes(const int16_t* words, size_t count) {
  Bytes bytes;
  bytes.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    const auto word = static_cast<uint16_t>(words[i]);
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
  }
  return bytes;
}

std::vector<int16_t> BytesAsWords(const Bytes& bytes) {
  std::vector<int16_t> words;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    words.push_back(static_cast<int16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return words;
}

}  // namespace gpib_recording
