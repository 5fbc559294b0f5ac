#include "controller_exports.h"

#include <algorithm>
#include <type_traits>

#include "units.h"

namespace {

using gpib_bridge::BusAddress;
using gpib_bridge::CallStatus;
using gpib_bridge::Controller;
using gpib_bridge::Duration;
using gpib_bridge::Publish;
using gpib_bridge::PublishFailure;
using gpib_bridge::TimeoutOf;
using gpib_bridge::Unit;

constexpr int32_t kBoard = 0;
constexpr size_t kMaxAddressList = 31 * 32;
constexpr uint8_t kRequestService = 0x40;  // RQS bit of a serial poll status byte

gpib_bridge::Units& TheUnits() {
  static gpib_bridge::Units units;
  return units;
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

std::span<uint8_t> Buffer(void* buffer, int32_t count) {
  return {static_cast<uint8_t*>(buffer), static_cast<size_t>(count)};
}

std::span<const uint8_t> Buffer(const void* buffer, int32_t count) {
  return {static_cast<const uint8_t*>(buffer), static_cast<size_t>(count)};
}

// Runs a call on a unit descriptor's instrument with its time-out.
template <typename Operation>
int32_t OnUnit(int32_t ud, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Unit* unit = TheUnits().Find(ud);
  if (unit == nullptr) return PublishFailure(EDVR);
  Controller* controller = gpib_bridge::TheController();
  if (controller == nullptr) return PublishFailure(EDVR);
  return Publish(operation(*controller, *unit, TimeoutOf(unit->timeout)));
}

// Runs a call of board 0 with its time-out.
template <typename Operation>
void OnBoard(int32_t board, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Controller* controller = board == kBoard ? gpib_bridge::TheController() : nullptr;
  if (controller == nullptr) {
    PublishFailure(EDVR);
    return;
  }
  Publish(operation(*controller, TimeoutOf(TheUnits().boardTimeout)));
}

int32_t OnUnitAct(int32_t ud, Controller::Action action) {
  return OnUnit(ud, [&](Controller& controller, const Unit& unit, Duration timeout) {
    return controller.Act(unit.address, action, timeout);
  });
}

}  // namespace

GPIB_BRIDGE_API int32_t ibfindA(const char* name) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (name == nullptr) return PublishFailure(EARG), -1;
  const auto address = gpib_bridge::DeviceNamed(name);
  if (!address) return PublishFailure(EDVR), -1;
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
  Controller* controller = gpib_bridge::TheController();
  if (v == 0 && controller != nullptr && !TheUnits().OthersAt(ud, closing.address))
    return Publish(controller->Release(closing.address, TimeoutOf(closing.timeout)));
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
  return OnUnit(ud, [&](Controller& controller, const Unit& unit, Duration timeout) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return controller.Write(unit.address, Buffer(buffer, count), unit.eoi, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibrd(int32_t ud, void* buffer, int32_t count) {
  return OnUnit(ud, [&](Controller& controller, const Unit& unit, Duration timeout) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return controller.Read(unit.address, Buffer(buffer, count), -1, timeout);
  });
}

GPIB_BRIDGE_API int32_t ibclr(int32_t ud) {
  return OnUnitAct(ud, Controller::Action::kClear);
}

GPIB_BRIDGE_API int32_t ibloc(int32_t ud) {
  return OnUnitAct(ud, Controller::Action::kLocal);
}

GPIB_BRIDGE_API int32_t ibtrg(int32_t ud) {
  return OnUnitAct(ud, Controller::Action::kTrigger);
}

GPIB_BRIDGE_API int32_t ibrsp(int32_t ud, char* spr) {
  return OnUnit(ud, [&](Controller& controller, const Unit& unit, Duration timeout) {
    if (spr == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus result = controller.SerialPoll(unit.address, status, timeout);
    if ((result.ibsta & ERR) == 0) *spr = static_cast<char>(status);
    return result;
  });
}

GPIB_BRIDGE_API int32_t ibwait(int32_t ud, int32_t mask) {
  return OnUnit(ud, [&](Controller& controller, const Unit& unit, Duration timeout) {
    if ((mask & RQS) == 0) return CallStatus{.ibsta = CMPL};
    bool asserted = false;
    CallStatus result = controller.WaitForServiceRequest(asserted, timeout);
    if (!asserted) return result;
    uint8_t status = 0;
    result = controller.SerialPoll(unit.address, status, timeout);
    if ((result.ibsta & ERR) == 0 && (status & kRequestService) != 0) result.ibsta |= RQS;
    return result;
  });
}

GPIB_BRIDGE_API void SendIFC(int32_t board) {
  OnBoard(board, [](Controller& controller, Duration timeout) {
    return controller.InterfaceClear(timeout);
  });
}

GPIB_BRIDGE_API void DevClear(int32_t board, Addr4882_t address) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    if (address == NOADDR) return controller.UniversalClear(timeout);
    if (!ValidAddress(address)) return Refused(EARG);
    return controller.Act(AddressOf(address), Controller::Action::kClear, timeout);
  });
}

GPIB_BRIDGE_API void Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                          int32_t eotMode) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    const bool validEnd = eotMode == NULLend || eotMode == NLend || eotMode == DABend;
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    std::vector<uint8_t> message(Buffer(buffer, count).begin(), Buffer(buffer, count).end());
    if (eotMode == NLend) message.push_back('\n');  // the line feed carries EOI
    CallStatus result = controller.Write(AddressOf(address), message, eotMode != NULLend, timeout);
    result.count = std::min<int64_t>(result.count, count);
    return result;
  });
}

GPIB_BRIDGE_API void Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                             int32_t termination) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    const bool validEnd = termination == STOPend || (termination >= 0 && termination <= 0xFF);
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    return controller.Read(AddressOf(address), Buffer(buffer, count),
                           termination == STOPend ? -1 : termination, timeout);
  });
}

GPIB_BRIDGE_API void ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    if (!ValidAddress(address) || result == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus outcome = controller.SerialPoll(AddressOf(address), status, timeout);
    if ((outcome.ibsta & ERR) == 0) *result = status;
    return outcome;
  });
}

GPIB_BRIDGE_API void FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                              int32_t limit) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    if (addresses == nullptr || !ValidBuffer(results, limit)) return Refused(EARG);
    std::vector<BusAddress> candidates;
    for (size_t i = 0; addresses[i] != NOADDR; ++i) {
      if (i == kMaxAddressList || !ValidAddress(addresses[i])) return Refused(EARG);
      candidates.push_back(AddressOf(addresses[i]));
    }
    std::vector<BusAddress> found;
    CallStatus outcome = controller.FindListeners(candidates, found, timeout);
    if ((outcome.ibsta & ERR) != 0) return outcome;
    const size_t stored = std::min(found.size(), static_cast<size_t>(limit));
    for (size_t i = 0; i < stored; ++i) results[i] = MakeAddr(found[i].pad, found[i].sad);
    outcome.count = static_cast<int64_t>(stored);
    if (found.size() > stored) outcome = {.ibsta = ERR, .iberr = ETAB, .count = outcome.count};
    return outcome;
  });
}

GPIB_BRIDGE_API void WaitSRQ(int32_t board, int16_t* result) {
  OnBoard(board, [&](Controller& controller, Duration timeout) {
    if (result == nullptr) return Refused(EARG);
    bool asserted = false;
    const CallStatus outcome = controller.WaitForServiceRequest(asserted, timeout);
    if ((outcome.ibsta & ERR) == 0) *result = asserted ? 1 : 0;
    return outcome;
  });
}

// Each export has exactly the type the module binds it as.
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#include "ni488/export_types.h"
