// The GPIB library's 22 names over a VXI-11 gateway. Device calls go to the link of the unit's
// address; board calls of a scan or a driver go to the interface link (SendIFC, FindLstn)
// or to the addressed device's link (Send, Receive, DevClear, ReadStatusByte).
#include <cstdio>
#include <thread>
#include <type_traits>
#include <vector>

#include "bridge.h"
#include "gateway.h"
#include "units.h"
#include "vxi11_config.h"

namespace {

using gpib_bridge::BusAddress;
using gpib_bridge::CallStatus;
using gpib_bridge::Publish;
using gpib_bridge::PublishFailure;
using gpib_bridge::TimeoutOf;
using gpib_bridge::Unit;
using gpib_bridge::ValidBuffer;
using vxi11::Clock;
using vxi11::Gateway;

constexpr int32_t kBoard = 0;
constexpr size_t kMaxAddressList = 31 * 32;
constexpr uint8_t kRequestService = 0x40;  // RQS bit of a serial poll status byte
constexpr auto kServiceRequestPoll = std::chrono::milliseconds(100);

gpib_bridge::Units& TheUnits() {
  static gpib_bridge::Units units;
  return units;
}

// The gateway named by the configuration, or null when there is none (already reported).
Gateway* TheGateway() {
  const auto& config = vxi11::LoadedConfig();
  if (!config) return nullptr;
  static Gateway gateway({.host = config->host,
                          .port = config->port,
                          .portmapperPort = config->portmapperPort,
                          .interfaceName = config->interfaceName,
                          .pollTimeout = std::chrono::milliseconds(config->pollTimeoutMs)});
  return &gateway;
}

BusAddress AddressOf(Addr4882_t address) {
  return {GetPAD(address), GetSAD(address)};
}

bool ValidAddress(Addr4882_t address) {
  return address != NOADDR && ValidPrimaryAddress(GetPAD(address)) &&
         ValidSecondaryAddress(GetSAD(address));
}

CallStatus Refused(int32_t iberr) {
  return {.ibsta = ERR, .iberr = iberr};
}

template <typename Operation>
int32_t OnUnit(int32_t ud, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Unit* unit = TheUnits().Find(ud);
  if (unit == nullptr) return PublishFailure(EDVR);
  Gateway* gateway = TheGateway();
  if (gateway == nullptr) return PublishFailure(EDVR);
  return Publish(operation(*gateway, *unit, TimeoutOf(unit->timeout)));
}

template <typename Operation>
void OnBoard(int32_t board, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Gateway* gateway = board == kBoard ? TheGateway() : nullptr;
  if (gateway == nullptr) {
    PublishFailure(EDVR);
    return;
  }
  Publish(operation(*gateway, TimeoutOf(TheUnits().boardTimeout)));
}

std::span<uint8_t> Buffer(void* buffer, int32_t count) {
  return {static_cast<uint8_t*>(buffer), static_cast<size_t>(count)};
}

std::span<const uint8_t> Buffer(const void* buffer, int32_t count) {
  return {static_cast<const uint8_t*>(buffer), static_cast<size_t>(count)};
}

// Serial polls until the status byte has RQS or the time-out passes.
CallStatus WaitForRequest(Gateway& gateway, BusAddress address, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    uint8_t status = 0;
    CallStatus result = gateway.ReadStatusByte(address, status, deadline - Clock::now());
    if ((result.ibsta & ERR) != 0) return result;
    if ((status & kRequestService) != 0) return {.ibsta = CMPL | RQS};
    if (Clock::now() + kServiceRequestPoll >= deadline) return {.ibsta = CMPL | TIMO};
    std::this_thread::sleep_for(kServiceRequestPoll);
  }
}

}  // namespace

GPIB_BRIDGE_API int32_t ibfindA(const char* name) {
  std::lock_guard lock(gpib_bridge::CallLock());
  const auto& config = vxi11::LoadedConfig();
  if (name == nullptr) return PublishFailure(EARG), -1;
  if (!config) return PublishFailure(EDVR), -1;
  const auto address = config->Device(name);
  if (!address) {
    std::fprintf(stderr, "libgpib-32 (vxi11): no device named \"%s\" in %s\n", name,
                 config->path.c_str());
    return PublishFailure(EDVR), -1;
  }
  const int32_t ud = TheUnits().Open({.address = *address});
  Publish({.ibsta = CMPL});
  return ud;
}

GPIB_BRIDGE_API int32_t ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot,
                              int32_t /*eos: no end-of-string byte is used on writes*/) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (board != kBoard) return PublishFailure(EDVR), -1;
  if (!ValidPrimaryAddress(pad) || !ValidSecondaryAddress(sad) || !ValidTimeoutCode(tmo))
    return PublishFailure(EARG), -1;
  const int32_t ud = TheUnits().Open({.address = {pad, sad}, .timeout = tmo, .eoi = eot != 0});
  Publish({.ibsta = CMPL});
  return ud;
}

GPIB_BRIDGE_API int32_t ibonl(int32_t ud, int32_t v) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Unit* unit = TheUnits().Find(ud);
  if (unit == nullptr) return PublishFailure(EDVR);
  const Unit closing = *unit;
  TheUnits().Online(ud, v != 0);
  // The last descriptor of an address ends its link on the gateway.
  Gateway* gateway = TheGateway();
  if (v == 0 && gateway != nullptr && !TheUnits().OthersAt(ud, closing.address))
    return Publish(gateway->Release(closing.address, TimeoutOf(closing.timeout)));
  return Publish({.ibsta = CMPL});
}

GPIB_BRIDGE_API int32_t ibtmo(int32_t ud, int32_t v) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (!ValidTimeoutCode(v)) return PublishFailure(EARG);
  if (ud == kBoard) {
    TheUnits().boardTimeout = v;
  } else if (Unit* unit = TheUnits().Find(ud)) {
    unit->timeout = v;
  } else {
    return PublishFailure(EDVR);
  }
  return Publish({.ibsta = CMPL});
}

GPIB_BRIDGE_API int32_t ibwrt(int32_t ud, const void* buffer, int32_t count) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return gateway.Write(unit.address, Buffer(buffer, count), unit.eoi, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibrd(int32_t ud, void* buffer, int32_t count) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return gateway.Read(unit.address, Buffer(buffer, count), -1, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibclr(int32_t ud) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    return gateway.Generic(unit.address, vxi11::kDeviceClear, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibloc(int32_t ud) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    return gateway.Generic(unit.address, vxi11::kDeviceLocal, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibtrg(int32_t ud) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    return gateway.Generic(unit.address, vxi11::kDeviceTrigger, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibrsp(int32_t ud, char* spr) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    if (spr == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus result = gateway.ReadStatusByte(unit.address, status, timeout);
    if ((result.ibsta & ERR) == 0) *spr = static_cast<char>(status);
    return result;
  });
}

GPIB_BRIDGE_API int32_t ibwait(int32_t ud, int32_t mask) {
  return OnUnit(ud, [&](Gateway& gateway, const Unit& unit, Clock::duration timeout) {
    if ((mask & RQS) == 0) return CallStatus{.ibsta = CMPL};
    return WaitForRequest(gateway, unit.address, timeout);
  });
}

GPIB_BRIDGE_API void SendIFC(int32_t board) {
  OnBoard(board, [](Gateway& gateway, Clock::duration timeout) {
    return gateway.InterfaceClear(timeout);
  });
}

GPIB_BRIDGE_API void DevClear(int32_t board, Addr4882_t address) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    if (address == NOADDR) return gateway.UniversalClear(timeout);
    if (!ValidAddress(address)) return Refused(EARG);
    return gateway.Generic(AddressOf(address), vxi11::kDeviceClear, timeout);
  });
}

GPIB_BRIDGE_API void Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                          int32_t eotMode) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    const bool validEnd = eotMode == NULLend || eotMode == NLend || eotMode == DABend;
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    std::vector<uint8_t> message(Buffer(buffer, count).begin(), Buffer(buffer, count).end());
    if (eotMode == NLend) message.push_back('\n');  // the line feed carries END
    CallStatus result = gateway.Write(AddressOf(address), message, eotMode != NULLend, timeout);
    result.count = std::min<int64_t>(result.count, count);
    return result;
  });
}

GPIB_BRIDGE_API void Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                             int32_t termination) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    const bool validEnd = termination == STOPend || (termination >= 0 && termination <= 0xFF);
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    return gateway.Read(AddressOf(address), Buffer(buffer, count),
                        termination == STOPend ? -1 : termination, timeout);
  });
}

GPIB_BRIDGE_API void ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    if (!ValidAddress(address) || result == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus outcome = gateway.ReadStatusByte(AddressOf(address), status, timeout);
    if ((outcome.ibsta & ERR) == 0) *result = status;
    return outcome;
  });
}

GPIB_BRIDGE_API void FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                              int32_t limit) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    if (addresses == nullptr || !ValidBuffer(results, limit)) return Refused(EARG);
    std::vector<BusAddress> candidates;
    for (size_t i = 0; addresses[i] != NOADDR; ++i) {
      if (i == kMaxAddressList || !ValidAddress(addresses[i])) return Refused(EARG);
      candidates.push_back(AddressOf(addresses[i]));
    }
    std::vector<BusAddress> found;
    CallStatus outcome = gateway.FindListeners(candidates, found, timeout);
    if ((outcome.ibsta & ERR) != 0) return outcome;
    const size_t stored = std::min(found.size(), static_cast<size_t>(limit));
    for (size_t i = 0; i < stored; ++i) results[i] = MakeAddr(found[i].pad, found[i].sad);
    outcome.count = static_cast<int64_t>(stored);
    if (found.size() > stored) outcome = {.ibsta = ERR, .iberr = ETAB, .count = outcome.count};
    return outcome;
  });
}

GPIB_BRIDGE_API void WaitSRQ(int32_t board, int16_t* result) {
  OnBoard(board, [&](Gateway& gateway, Clock::duration timeout) {
    if (result == nullptr) return Refused(EARG);
    const auto deadline = Clock::now() + timeout;
    bool asserted = false;
    for (;;) {
      const CallStatus outcome = gateway.ServiceRequest(asserted, deadline - Clock::now());
      if ((outcome.ibsta & ERR) != 0) return outcome;
      if (asserted || Clock::now() + kServiceRequestPoll >= deadline) break;
      std::this_thread::sleep_for(kServiceRequestPoll);
    }
    *result = asserted ? 1 : 0;
    return CallStatus{.ibsta = asserted ? CMPL : CMPL | TIMO};
  });
}

// Each export has exactly the type the module binds it as.
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#include "ni488/export_types.h"
