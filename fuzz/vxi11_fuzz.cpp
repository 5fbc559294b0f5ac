// What the VXI-11 bridge reads from a gateway, on any bytes: a stream of record-marked
// fragments, the RPC reply they carry, and that reply's results as every response the bridge
// decodes. Nothing may be read past the input, and a decoded opaque never exceeds it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "messages.h"
#include "rpc.h"

namespace {

// Every response the bridge decodes; an opaque item is a part of the results, never more.
void DecodeEveryResponse(std::span<const uint8_t> results) {
  vxi11::ReadResp read;
  if (vxi11::Decode(results, read) && read.data.size() > results.size()) __builtin_trap();
  vxi11::DocmdResp docmd;
  if (vxi11::Decode(results, docmd) && docmd.data.size() > results.size()) __builtin_trap();
  vxi11::CreateLinkResp link;
  vxi11::WriteResp written;
  vxi11::ReadStbResp status;
  vxi11::ErrorResp error;
  vxi11::PortResp port;
  vxi11::Decode(results, link);
  vxi11::Decode(results, written);
  vxi11::Decode(results, status);
  vxi11::Decode(results, error);
  vxi11::Decode(results, port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> input(data, size);
  if (input.size() < 4) return 0;
  // The first word is the call's transaction id, the rest the stream of fragments.
  uint32_t xid = 0;
  vxi11::XdrReader(input.first(4)).Get(xid);
  input = input.subspan(4);
  vxi11::Bytes record;
  while (input.size() >= 4) {
    const auto header = vxi11::ParseFragmentHeader(input.first<4>());
    input = input.subspan(4);
    if (header.length > input.size() || header.length > vxi11::kMaxRecord - record.size()) break;
    record.insert(record.end(), input.begin(), input.begin() + header.length);
    input = input.subspan(header.length);
    if (!header.last) continue;
    const vxi11::ParsedReply reply = vxi11::ParseReply(record, xid);
    if (reply.kind == vxi11::ParsedReply::Kind::kSuccess) {
      if (reply.results.data() < record.data() ||
          reply.results.data() + reply.results.size() > record.data() + record.size())
        __builtin_trap();
      DecodeEveryResponse(reply.results);
    }
    record.clear();
  }
  return 0;
}
