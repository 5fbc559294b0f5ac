// The 22 names the GPIB library exports, with its argument lists (32-bit integers for
// descriptors, counts and status variables). Compiled once per library variant: a variant
// for the binding tests lacks WaitSRQ, or exports ibfind in place of ibfindA.
#include <algorithm>
#include <mutex>
#include <span>
#include <type_traits>

#include "capture.h"
#include "gpibsim/gpibsim.h"
#include "ni488/ni488.h"
#include "simulator.h"
#include "trace.h"

namespace recording = gpib_recording;
using gpibsim::Bus;
using gpibsim::Format;
using gpibsim::Outcome;
using gpibsim::Simulator;

extern "C" {
GPIBSIM_API int32_t user_ibsta = 0;
GPIBSIM_API int32_t user_iberr = 0;
GPIBSIM_API int32_t user_ibcnt = 0;
GPIBSIM_API int32_t user_ibcntl = 0;
}

namespace {

// Runs one call on the bus, publishes the status variables it leaves and traces it: request
// holds what the caller gave, outputs where it wants what it reads.
Outcome Run(recording::Call request, const recording::Outputs& outputs, std::string arguments,
            const std::function<Outcome(Bus&)>& operation) {
  Simulator& sim = Simulator::Instance();
  std::lock_guard<std::recursive_mutex> lock(sim.mutex);
  Outcome outcome = sim.Call(request.function.c_str(), std::move(arguments), operation);
  user_ibsta = sim.status.ibsta;
  user_iberr = sim.status.iberr;
  user_ibcnt = sim.status.count;
  user_ibcntl = sim.status.count;
  const bool opens = request.function == "ibdev" || request.function.starts_with("ibfind");
  sim.transcript.trace().Write(std::move(request), sim.transcript.At(sim.transcript.Size() - 1),
                               opens ? outcome.descriptor : outcome.ibsta, outputs);
  return outcome;
}

// A call that reads nothing.
Outcome Run(recording::Call request, std::string arguments,
            const std::function<Outcome(Bus&)>& operation) {
  return Run(std::move(request), {}, std::move(arguments), operation);
}

std::string AddressText(Addr4882_t address) {
  if (address == NOADDR) return "NOADDR";
  if (GetSAD(address) == 0) return std::to_string(GetPAD(address));
  return Format("%d/0x%02X", GetPAD(address), GetSAD(address));
}

std::string AddressListText(const Addr4882_t* addresses) {
  if (addresses == nullptr) return "null";
  constexpr int kShown = 32;
  std::string text = "[";
  int i = 0;
  for (; addresses[i] != NOADDR && i < kShown; ++i) {
    if (i != 0) text += ',';
    text += AddressText(addresses[i]);
  }
  return text + (addresses[i] == NOADDR ? "]" : ",...]");
}

void AppendEscaped(std::string& text, uint8_t byte) {
  switch (byte) {
    case '\n':
      text += "\\n";
      return;
    case '\r':
      text += "\\r";
      return;
    case '\t':
      text += "\\t";
      return;
    case '\0':
      text += "\\0";
      return;
    case '\\':
      text += "\\\\";
      return;
    case '"':
      text += "\\\"";
      return;
    default:
      break;
  }
  if (byte >= 0x20 && byte < 0x7F) {
    text += static_cast<char>(byte);
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  text += "\\x";
  text += kHex[byte >> 4];
  text += kHex[byte & 0xF];
}

// Bytes as C-escaped text (\n, \r, \t, \0, \\, \", \xNN), at most `shown` of them, with the
// total noted when some were left out.
std::string EscapedBytes(std::span<const uint8_t> bytes, size_t total, size_t shown) {
  std::string text;
  const size_t count = std::min(bytes.size(), shown);
  for (size_t i = 0; i < count; ++i) AppendEscaped(text, bytes[i]);
  if (total > count) text += "... (" + std::to_string(total) + " bytes)";
  return text;
}

std::string NameText(const char* name) {
  if (name == nullptr) return "name=null";
  const std::string_view text(name);
  return "name=\"" +
         EscapedBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, text.size(),
                      64) +
         "\"";
}

int32_t Find(const char* function, const char* name) {
  return Run(recording::Request(function, {}, recording::NameBytes(name)), NameText(name),
             [&](Bus& bus) { return bus.Find(name); })
      .descriptor;
}

// A call on a descriptor alone, whose value is the status word.
int32_t OnDescriptor(const char* function, int32_t ud, Outcome (Bus::*operation)(int32_t)) {
  return Run(recording::Request(function, {ud}), Format("ud=%d", ud),
             [&](Bus& bus) { return (bus.*operation)(ud); })
      .ibsta;
}

// A call on a descriptor with one more value, traced as arguments; its value is the status
// word.
int32_t OnDescriptor(const char* function, int32_t ud, int32_t value, std::string arguments,
                     Outcome (Bus::*operation)(int32_t, int32_t)) {
  return Run(recording::Request(function, {ud, value}), std::move(arguments),
             [&](Bus& bus) { return (bus.*operation)(ud, value); })
      .ibsta;
}

}  // namespace

extern "C" {

GPIBSIM_API int32_t NI488CC ibclr(int32_t ud) {
  return OnDescriptor("ibclr", ud, &Bus::Clear);
}

GPIBSIM_API int32_t NI488CC ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot,
                                  int32_t eos) {
  return Run(recording::Request("ibdev", {board, pad, sad, tmo, eot, eos}),
             Format("board=%d, pad=%d, sad=0x%X, tmo=%d, eot=%d, eos=0x%X", board, pad, sad, tmo,
                    eot, eos),
             [&](Bus& bus) { return bus.Dev(board, pad, sad, tmo, eot, eos); })
      .descriptor;
}

GPIBSIM_API int32_t NI488CC ibonl(int32_t ud, int32_t v) {
  return OnDescriptor("ibonl", ud, v, Format("ud=%d, v=%d", ud, v), &Bus::Online);
}

GPIBSIM_API int32_t NI488CC ibrd(int32_t ud, void* buffer, int32_t count) {
  return Run(recording::Request("ibrd", {ud, count}), {.buffer = buffer, .capacity = count},
             Format("ud=%d, count=%d", ud, count),
             [&](Bus& bus) { return bus.Read(ud, buffer, count); })
      .ibsta;
}

GPIBSIM_API int32_t NI488CC ibrsp(int32_t ud, char* spr) {
  return Run(recording::Request("ibrsp", {ud}), {.statusByte = spr}, Format("ud=%d", ud),
             [&](Bus& bus) { return bus.SerialPoll(ud, spr); })
      .ibsta;
}

GPIBSIM_API int32_t NI488CC ibtrg(int32_t ud) {
  return OnDescriptor("ibtrg", ud, &Bus::Trigger);
}

GPIBSIM_API int32_t NI488CC ibwait(int32_t ud, int32_t mask) {
  return OnDescriptor("ibwait", ud, mask, Format("ud=%d, mask=0x%X", ud, mask), &Bus::Wait);
}

GPIBSIM_API int32_t NI488CC ibwrt(int32_t ud, const void* buffer, int32_t count) {
  return Run(recording::Request("ibwrt", {ud, count}, recording::BufferBytes(buffer, count)),
             Format("ud=%d, count=%d", ud, count),
             [&](Bus& bus) { return bus.Write(ud, buffer, count); })
      .ibsta;
}

#ifdef GPIBSIM_IBFIND_NOT_IBFINDA
GPIBSIM_API int32_t NI488CC ibfind(const char* name) {
  return Find("ibfind", name);
}
static_assert(std::is_same_v<decltype(&ibfind), IbfindFn>);
#else
GPIBSIM_API int32_t NI488CC ibfindA(const char* name) {
  return Find("ibfindA", name);
}
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
#endif

GPIBSIM_API int32_t NI488CC ibloc(int32_t ud) {
  return OnDescriptor("ibloc", ud, &Bus::Local);
}

GPIBSIM_API int32_t NI488CC ibtmo(int32_t ud, int32_t v) {
  return OnDescriptor("ibtmo", ud, v, Format("ud=%d, v=%d", ud, v), &Bus::SetTimeout);
}

GPIBSIM_API void NI488CC DevClear(int32_t board, Addr4882_t address) {
  Run(recording::Request("DevClear", {board, address}),
      Format("board=%d, address=%s", board, AddressText(address).c_str()),
      [&](Bus& bus) { return bus.DevClear(board, address); });
}

GPIBSIM_API void NI488CC FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                                  int32_t limit) {
  Run(recording::Request("FindLstn", {board, limit}, recording::AddressListBytes(addresses)),
      {.capacity = limit, .results = results},
      Format("board=%d, addresses=%s, limit=%d", board, AddressListText(addresses).c_str(), limit),
      [&](Bus& bus) { return bus.FindListeners(board, addresses, results, limit); });
}

GPIBSIM_API void NI488CC ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  Run(recording::Request("ReadStatusByte", {board, address}), {.word = result},
      Format("board=%d, address=%s", board, AddressText(address).c_str()),
      [&](Bus& bus) { return bus.ReadStatusByte(board, address, result); });
}

GPIBSIM_API void NI488CC Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                                 int32_t termination) {
  Run(recording::Request("Receive", {board, address, count, termination}),
      {.buffer = buffer, .capacity = count},
      Format("board=%d, address=%s, count=%d, termination=0x%X", board,
             AddressText(address).c_str(), count, termination),
      [&](Bus& bus) { return bus.Receive(board, address, buffer, count, termination); });
}

GPIBSIM_API void NI488CC Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                              int32_t eotMode) {
  Run(recording::Request("Send", {board, address, count, eotMode},
                         recording::BufferBytes(buffer, count)),
      Format("board=%d, address=%s, count=%d, eot=0x%X", board, AddressText(address).c_str(), count,
             eotMode),
      [&](Bus& bus) { return bus.Send(board, address, buffer, count, eotMode); });
}

GPIBSIM_API void NI488CC SendIFC(int32_t board) {
  Run(recording::Request("SendIFC", {board}), Format("board=%d", board),
      [&](Bus& bus) { return bus.SendIfc(board); });
}

#ifndef GPIBSIM_WITHOUT_WAITSRQ
GPIBSIM_API void NI488CC WaitSRQ(int32_t board, int16_t* result) {
  Run(recording::Request("WaitSRQ", {board}), {.word = result}, Format("board=%d", board),
      [&](Bus& bus) { return bus.WaitSrq(board, result); });
}
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#endif

}  // extern "C"

// Each export has exactly the type the module binds it as.
#include "ni488/export_types.h"
