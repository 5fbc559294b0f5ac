// The GPIB library's 22 names with NI's values and argument lists, each forwarded to
// linux-gpib under one lock, with what differs mapped on the way: ibfindA is ibfind (with the
// default device names where the configuration has none), Send's end modes are swapped,
// counts go between 32 and 64 bits, and the status variables are refreshed after every call
// from the calling thread's status. Arguments on which linux-gpib misbehaves are refused
// here with EARG. A device descriptor that linux-gpib's ibonl(ud, 1) closed is told.
#include <mutex>
#include <optional>
#include <type_traits>

#include "bridge.h"
#include "closed_descriptor_watch.h"
#include "user_library.h"

using gpib_bridge::CallLock;
using gpib_bridge::Publish;
using gpib_bridge::PublishFailure;
using linux_gpib::UserLibrary;

namespace {

constexpr int32_t kRefusedDescriptor = -1;

int SendEndMode(int32_t niMode) {
  switch (niMode) {
    case NLend:
      return linux_gpib::kNlEnd;
    case DABend:
      return linux_gpib::kDabEnd;
    default:
      return niMode;  // NULLend is 0 in both; anything else linux-gpib refuses itself
  }
}

void PublishThreadStatus(const UserLibrary& library) {
  Publish({.ibsta = library.ThreadIbsta(),
           .iberr = library.ThreadIberr(),
           .count = library.ThreadIbcntl()});
}

// Runs call on linux-gpib under the call lock and publishes the status it leaves; returns
// what call returns. Arguments found invalid beforehand, or a missing library, end the call
// with ERR (EARG or EDVR) and return refused instead.
template <typename Call>
int32_t Forward(bool argumentsValid, int32_t refused, Call&& call) {
  std::lock_guard lock(CallLock());
  if (!argumentsValid) {
    PublishFailure(EARG);
    return refused;
  }
  const UserLibrary* library = linux_gpib::BoundUserLibrary();
  if (library == nullptr) {
    PublishFailure(EDVR);
    return refused;
  }
  const int32_t result = call(*library);
  PublishThreadStatus(*library);
  return result;
}

linux_gpib::ClosedDescriptorWatch& Watch() {
  static linux_gpib::ClosedDescriptorWatch watch;
  return watch;
}

// For the calls on a descriptor, which return the status word; online is ibonl's argument.
template <typename Call>
int32_t ForwardOnDescriptor(int32_t ud, bool argumentsValid, Call&& call,
                            std::optional<int32_t> online = {}) {
  return Forward(argumentsValid, ERR, [&](const UserLibrary& library) {
    const int32_t status = call(library);
    Watch().Called(ud, status, library.ThreadIberr(), online);
    return status;
  });
}

// For the board-level calls, which return nothing.
template <typename Call>
void ForwardBoard(bool argumentsValid, Call&& call) {
  Forward(argumentsValid, ERR, [&](const UserLibrary& library) {
    call(library);
    return 0;
  });
}

// A name the configuration does not know (EDVR) but that NI's default configuration has
// opens that device, as NI's library would.
int32_t FindOrOpenDefault(const UserLibrary& library, const char* name) {
  const int ud = library.ibfind(name);
  if (ud >= 0 || library.ThreadIberr() != EDVR) return ud;
  const std::optional<gpib_bridge::DefaultDevice> device = gpib_bridge::DefaultDeviceNamed(name);
  if (!device) return ud;
  constexpr int kEoiWithLastByte = 1, kNoEos = 0, kNoSecondary = 0;
  return library.ibdev(device->board, device->pad, kNoSecondary, device->timeout, kEoiWithLastByte,
                       kNoEos);
}

linux_gpib::Addr4882 Address(Addr4882_t address) {
  return static_cast<linux_gpib::Addr4882>(address);
}

}  // namespace

GPIB_BRIDGE_API int32_t ibfindA(const char* name) {
  return Forward(name != nullptr, kRefusedDescriptor, [&](const UserLibrary& library) {
    const int32_t ud = FindOrOpenDefault(library, name);
    if (ud >= 0) Watch().Found(ud, name);
    return ud;
  });
}

GPIB_BRIDGE_API int32_t ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot,
                              int32_t eos) {
  return Forward(ValidPrimaryAddress(pad) && ValidSecondaryAddress(sad) && ValidTimeoutCode(tmo),
                 kRefusedDescriptor, [&](const UserLibrary& library) {
                   return library.ibdev(board, pad, sad, tmo, eot, eos);
                 });
}

GPIB_BRIDGE_API int32_t ibonl(int32_t ud, int32_t v) {
  return ForwardOnDescriptor(
      ud, true, [&](const UserLibrary& library) { return library.ibonl(ud, v); }, v);
}

GPIB_BRIDGE_API int32_t ibrd(int32_t ud, void* buffer, int32_t count) {
  return ForwardOnDescriptor(ud, ValidBuffer(buffer, count), [&](const UserLibrary& library) {
    return library.ibrd(ud, buffer, count);
  });
}

GPIB_BRIDGE_API int32_t ibwrt(int32_t ud, const void* buffer, int32_t count) {
  return ForwardOnDescriptor(ud, ValidBuffer(buffer, count), [&](const UserLibrary& library) {
    return library.ibwrt(ud, buffer, count);
  });
}

GPIB_BRIDGE_API int32_t ibrsp(int32_t ud, char* spr) {
  return ForwardOnDescriptor(ud, spr != nullptr,
                             [&](const UserLibrary& library) { return library.ibrsp(ud, spr); });
}

GPIB_BRIDGE_API int32_t ibtrg(int32_t ud) {
  return ForwardOnDescriptor(ud, true,
                             [&](const UserLibrary& library) { return library.ibtrg(ud); });
}

GPIB_BRIDGE_API int32_t ibwait(int32_t ud, int32_t mask) {
  return ForwardOnDescriptor(ud, true,
                             [&](const UserLibrary& library) { return library.ibwait(ud, mask); });
}

GPIB_BRIDGE_API int32_t ibloc(int32_t ud) {
  return ForwardOnDescriptor(ud, true,
                             [&](const UserLibrary& library) { return library.ibloc(ud); });
}

GPIB_BRIDGE_API int32_t ibtmo(int32_t ud, int32_t v) {
  return ForwardOnDescriptor(ud, ValidTimeoutCode(v),
                             [&](const UserLibrary& library) { return library.ibtmo(ud, v); });
}

GPIB_BRIDGE_API int32_t ibclr(int32_t ud) {
  return ForwardOnDescriptor(ud, true,
                             [&](const UserLibrary& library) { return library.ibclr(ud); });
}

GPIB_BRIDGE_API void DevClear(int32_t board, Addr4882_t address) {
  ForwardBoard(true,
               [&](const UserLibrary& library) { library.DevClear(board, Address(address)); });
}

GPIB_BRIDGE_API void FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                              int32_t limit) {
  ForwardBoard(addresses != nullptr && ValidBuffer(results, limit),
               [&](const UserLibrary& library) {
                 // Same 16 bits a entry; only the signedness of the type differs.
                 library.FindLstn(board, reinterpret_cast<const linux_gpib::Addr4882*>(addresses),
                                  reinterpret_cast<linux_gpib::Addr4882*>(results), limit);
               });
}

GPIB_BRIDGE_API void ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  ForwardBoard(result != nullptr, [&](const UserLibrary& library) {
    library.ReadStatusByte(board, Address(address), result);
  });
}

GPIB_BRIDGE_API void Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                             int32_t termination) {
  ForwardBoard(ValidBuffer(buffer, count), [&](const UserLibrary& library) {
    library.Receive(board, Address(address), buffer, count, termination);
  });
}

GPIB_BRIDGE_API void Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                          int32_t eotMode) {
  ForwardBoard(ValidBuffer(buffer, count), [&](const UserLibrary& library) {
    library.Send(board, Address(address), buffer, count, SendEndMode(eotMode));
  });
}

GPIB_BRIDGE_API void SendIFC(int32_t board) {
  ForwardBoard(true, [&](const UserLibrary& library) { library.SendIFC(board); });
}

GPIB_BRIDGE_API void WaitSRQ(int32_t board, int16_t* result) {
  ForwardBoard(result != nullptr,
               [&](const UserLibrary& library) { library.WaitSRQ(board, result); });
}

// Each export has exactly the type the module binds it as.
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#include "ni488/export_types.h"
