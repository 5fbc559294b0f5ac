// The GPIB library's 18 functions (the status variables are the bridges' common ones), each
// turned into a Call with what the caller gave and answered, one call at a time, by the
// library's gpib_front::Answer() with where the caller wants what it reads (and the same call,
// for a library that forwards); each ends with the status of the call that answered it.
#include <mutex>
#include <type_traits>

#include "bridge.h"
#include "front.h"

using gpib_recording::AddressListBytes;
using gpib_recording::BufferBytes;
using gpib_recording::Call;
using gpib_recording::NameBytes;
using gpib_recording::Outputs;
using gpib_recording::Request;

namespace {

constexpr int32_t kRefusedDescriptor = -1;

// Publishes the status of the call that answers call, and returns its value.
int32_t Answered(Call& call, const Outputs& outputs, int32_t refused,
                 const gpib_front::Forward& forward) {
  std::lock_guard lock(gpib_bridge::CallLock());
  const Call& answer = gpib_front::Answer(call, outputs, refused, forward);
  gpib_bridge::Publish({.ibsta = answer.ibsta, .iberr = answer.iberr, .count = answer.ibcntl});
  return answer.result;
}

// A call that returns its status word, or a descriptor, and reads nothing.
template <typename Callable>
int32_t Simple(Call call, int32_t refused, Callable&& forward) {
  return Answered(call, {}, refused, forward);
}

// A call of a function without a value.
template <typename Callable>
void Board(Call call, const Outputs& outputs, Callable&& forward) {
  auto returningZero = [&](const GpibEntries& gpib) {
    forward(gpib);
    return 0;
  };
  Answered(call, outputs, 0, returningZero);
}

}  // namespace

const Call& gpib_front::Refused(Call& call, int32_t refused) {
  call.result = refused;
  call.ibsta = ERR;
  call.iberr = EDVR;
  call.ibcntl = 0;
  return call;
}

GPIB_BRIDGE_API int32_t NI488CC ibclr(int32_t ud) {
  return Simple(Request("ibclr", {ud}), ERR, [&](const GpibEntries& g) { return g.ibclr(ud); });
}

GPIB_BRIDGE_API int32_t NI488CC ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo,
                                      int32_t eot, int32_t eos) {
  return Simple(Request("ibdev", {board, pad, sad, tmo, eot, eos}), kRefusedDescriptor,
                [&](const GpibEntries& g) { return g.ibdev(board, pad, sad, tmo, eot, eos); });
}

GPIB_BRIDGE_API int32_t NI488CC ibonl(int32_t ud, int32_t v) {
  return Simple(Request("ibonl", {ud, v}), ERR,
                [&](const GpibEntries& g) { return g.ibonl(ud, v); });
}

GPIB_BRIDGE_API int32_t NI488CC ibrd(int32_t ud, void* buffer, int32_t count) {
  auto forward = [&](const GpibEntries& g) { return g.ibrd(ud, buffer, count); };
  Call call = Request("ibrd", {ud, count});
  return Answered(call, {.buffer = buffer, .capacity = count}, ERR, forward);
}

GPIB_BRIDGE_API int32_t NI488CC ibrsp(int32_t ud, char* spr) {
  auto forward = [&](const GpibEntries& g) { return g.ibrsp(ud, spr); };
  Call call = Request("ibrsp", {ud});
  return Answered(call, {.statusByte = spr}, ERR, forward);
}

GPIB_BRIDGE_API int32_t NI488CC ibtrg(int32_t ud) {
  return Simple(Request("ibtrg", {ud}), ERR, [&](const GpibEntries& g) { return g.ibtrg(ud); });
}

GPIB_BRIDGE_API int32_t NI488CC ibwait(int32_t ud, int32_t mask) {
  return Simple(Request("ibwait", {ud, mask}), ERR,
                [&](const GpibEntries& g) { return g.ibwait(ud, mask); });
}

GPIB_BRIDGE_API int32_t NI488CC ibwrt(int32_t ud, const void* buffer, int32_t count) {
  return Simple(Request("ibwrt", {ud, count}, BufferBytes(buffer, count)), ERR,
                [&](const GpibEntries& g) { return g.ibwrt(ud, buffer, count); });
}

GPIB_BRIDGE_API int32_t NI488CC ibfindA(const char* name) {
  return Simple(Request("ibfindA", {}, NameBytes(name)), kRefusedDescriptor,
                [&](const GpibEntries& g) { return g.ibfind(name); });
}

GPIB_BRIDGE_API int32_t NI488CC ibloc(int32_t ud) {
  return Simple(Request("ibloc", {ud}), ERR, [&](const GpibEntries& g) { return g.ibloc(ud); });
}

GPIB_BRIDGE_API int32_t NI488CC ibtmo(int32_t ud, int32_t v) {
  return Simple(Request("ibtmo", {ud, v}), ERR,
                [&](const GpibEntries& g) { return g.ibtmo(ud, v); });
}

GPIB_BRIDGE_API void NI488CC DevClear(int32_t board, Addr4882_t address) {
  Board(Request("DevClear", {board, address}), {},
        [&](const GpibEntries& g) { g.DevClear(board, address); });
}

GPIB_BRIDGE_API void NI488CC FindLstn(int32_t board, const Addr4882_t* addresses,
                                      Addr4882_t* results, int32_t limit) {
  Board(Request("FindLstn", {board, limit}, AddressListBytes(addresses)),
        {.capacity = limit, .results = results},
        [&](const GpibEntries& g) { g.FindLstn(board, addresses, results, limit); });
}

GPIB_BRIDGE_API void NI488CC ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  Board(Request("ReadStatusByte", {board, address}), {.word = result},
        [&](const GpibEntries& g) { g.ReadStatusByte(board, address, result); });
}

GPIB_BRIDGE_API void NI488CC Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                                     int32_t termination) {
  Board(Request("Receive", {board, address, count, termination}),
        {.buffer = buffer, .capacity = count},
        [&](const GpibEntries& g) { g.Receive(board, address, buffer, count, termination); });
}

GPIB_BRIDGE_API void NI488CC Send(int32_t board, Addr4882_t address, const void* buffer,
                                  int32_t count, int32_t eotMode) {
  Board(Request("Send", {board, address, count, eotMode}, BufferBytes(buffer, count)), {},
        [&](const GpibEntries& g) { g.Send(board, address, buffer, count, eotMode); });
}

GPIB_BRIDGE_API void NI488CC SendIFC(int32_t board) {
  Board(Request("SendIFC", {board}), {}, [&](const GpibEntries& g) { g.SendIFC(board); });
}

GPIB_BRIDGE_API void NI488CC WaitSRQ(int32_t board, int16_t* result) {
  Board(Request("WaitSRQ", {board}), {.word = result},
        [&](const GpibEntries& g) { g.WaitSRQ(board, result); });
}

// Each export has exactly the type the module binds it as.
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#include "ni488/export_types.h"
