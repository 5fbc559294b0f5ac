#include "rpc.h"

namespace vxi11 {

namespace {

constexpr uint32_t kRpcVersion = 2;
constexpr uint32_t kCall = 0;
constexpr uint32_t kReply = 1;
constexpr uint32_t kAccepted = 0;
constexpr uint32_t kDenied = 1;
constexpr uint32_t kAuthNone = 0;
constexpr uint32_t kLastFragment = 0x80000000u;
constexpr uint32_t kMaxAuthBody = 400;

void PutNoAuthentication(XdrWriter& writer) {
  writer.Put(kAuthNone);
  writer.Put(std::span<const uint8_t>());
}

// An opaque_auth: its flavour and a body of at most 400 bytes, which nobody here reads.
bool SkipAuthentication(XdrReader& reader) {
  uint32_t flavour = 0;
  reader.Get(flavour);
  return reader.Opaque().size() <= kMaxAuthBody && reader.ok();
}

}  // namespace

Bytes Record(const Bytes& message) {
  XdrWriter writer;
  writer.Put(static_cast<uint32_t>(message.size()) | kLastFragment);
  Bytes record = writer.Take();
  record.insert(record.end(), message.begin(), message.end());
  return record;
}

FragmentHeader ParseFragmentHeader(std::span<const uint8_t, 4> header) {
  uint32_t word = 0;
  XdrReader(header).Get(word);
  return {.length = word & ~kLastFragment, .last = (word & kLastFragment) != 0};
}

Bytes CallMessage(const CallHeader& header, const Bytes& arguments) {
  XdrWriter writer;
  for (const uint32_t word :
       {header.xid, kCall, kRpcVersion, header.program, header.version, header.procedure})
    writer.Put(word);
  PutNoAuthentication(writer);  // credentials
  PutNoAuthentication(writer);  // verifier
  Bytes message = writer.Take();
  message.insert(message.end(), arguments.begin(), arguments.end());
  return message;
}

std::optional<ParsedCall> ParseCall(std::span<const uint8_t> message) {
  XdrReader reader(message);
  ParsedCall call;
  uint32_t type = 0;
  uint32_t version = 0;
  reader.Get(call.header.xid);
  reader.Get(type);
  reader.Get(version);
  reader.Get(call.header.program);
  reader.Get(call.header.version);
  reader.Get(call.header.procedure);
  if (!reader.ok() || type != kCall || version != kRpcVersion) return std::nullopt;
  if (!SkipAuthentication(reader) || !SkipAuthentication(reader)) return std::nullopt;
  call.arguments = reader.Rest();
  return call;
}

Bytes AcceptedReply(uint32_t xid, AcceptStatus status, const Bytes& results) {
  XdrWriter writer;
  writer.Put(xid);
  writer.Put(kReply);
  writer.Put(kAccepted);
  PutNoAuthentication(writer);
  writer.Put(static_cast<uint32_t>(status));
  Bytes message = writer.Take();
  message.insert(message.end(), results.begin(), results.end());
  return message;
}

ParsedReply ParseReply(std::span<const uint8_t> message, uint32_t xid) {
  XdrReader reader(message);
  uint32_t replyXid = 0;
  uint32_t type = 0;
  uint32_t state = 0;
  reader.Get(replyXid);
  reader.Get(type);
  reader.Get(state);
  if (!reader.ok() || type != kReply) return {};
  if (replyXid != xid) return {.kind = ParsedReply::Kind::kOtherCall};
  if (state == kDenied) return {.kind = ParsedReply::Kind::kDenied};
  if (state != kAccepted || !SkipAuthentication(reader)) return {};
  uint32_t status = 0;
  reader.Get(status);
  if (!reader.ok() || status > static_cast<uint32_t>(AcceptStatus::kSystemError)) return {};
  if (status != 0)
    return {.kind = ParsedReply::Kind::kNotAccepted, .status = static_cast<AcceptStatus>(status)};
  return {.kind = ParsedReply::Kind::kSuccess, .results = reader.Rest()};
}

}  // namespace vxi11
