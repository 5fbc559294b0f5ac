// ONC RPC version 2 (RFC 5531) over TCP, as much as VXI-11 and the portmapper need: calls
// with no authentication, replies accepted or denied, and record marking (each message in
// fragments of a 4-byte header, the top bit marking the last).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "xdr.h"

namespace vxi11 {

constexpr uint32_t kPortmapper = 100000;
constexpr uint32_t kPortmapperVersion = 2;
constexpr uint32_t kGetPort = 3;
constexpr uint32_t kTcpProtocol = 6;

// The accept_stat of an accepted reply.
enum class AcceptStatus : uint32_t {
  kSuccess = 0,
  kProgramUnavailable = 1,
  kProgramMismatch = 2,
  kProcedureUnavailable = 3,
  kGarbageArguments = 4,
  kSystemError = 5,
};

struct CallHeader {
  uint32_t xid = 0;
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t procedure = 0;
};

// The longest record either side accepts: a read of the largest size a link offers, with
// room for its header. Anything longer is a broken stream, not a message.
constexpr size_t kMaxRecord = size_t{16} << 20;

// The message as one record of a single, last fragment.
Bytes Record(const Bytes& message);

// The fragment header's parts; a record ends with its last fragment.
struct FragmentHeader {
  uint32_t length = 0;
  bool last = false;
};
FragmentHeader ParseFragmentHeader(std::span<const uint8_t, 4> header);

Bytes CallMessage(const CallHeader& header, const Bytes& arguments);
// A call, with its arguments a view into message; nullopt when it is no RPC version 2 call.
struct ParsedCall {
  CallHeader header;
  std::span<const uint8_t> arguments;
};
std::optional<ParsedCall> ParseCall(std::span<const uint8_t> message);

// results: a program mismatch's lowest and highest version, a success's results.
Bytes AcceptedReply(uint32_t xid, AcceptStatus status, const Bytes& results = {});

// A reply as the caller sees it: the results of a successful call, or why there are none.
struct ParsedReply {
  enum class Kind { kSuccess, kNotAccepted, kDenied, kMalformed, kOtherCall };
  Kind kind = Kind::kMalformed;
  AcceptStatus status = AcceptStatus::kSuccess;  // kNotAccepted: which
  std::span<const uint8_t> results{};            // kSuccess: a view into the message
};
ParsedReply ParseReply(std::span<const uint8_t> message, uint32_t xid);

}  // namespace vxi11
