// The GPIB library's 22 names over a Prologix or AR488 controller. Unit descriptors live here
// (1 upward; 0 is the board); the controller is reached on the first call that needs it.
#include <cstring>
#include <type_traits>
#include <vector>

#include "bridge.h"
#include "commands.h"
#include "config.h"
#include "session.h"

namespace {

using gpib_bridge::CallStatus;
using gpib_bridge::Publish;
using gpib_bridge::PublishFailure;
using prologix::Address;
using prologix::Clock;
using prologix::Session;

constexpr int32_t kBoard = 0;
constexpr size_t kMaxAddressList = 31 * 32;
constexpr uint8_t kRequestService = 0x40;  // RQS bit of a serial poll status byte

struct Unit {
  Address address;
  int32_t timeout = T10s;
  bool eoi = true;
};

struct Descriptor {
  Unit configured;
  Unit current;
  bool open = false;
};

struct State {
  std::vector<Descriptor> units;  // descriptor ud at index ud - 1
  int32_t boardTimeout = T10s;
};

State& Units() {
  static State state;
  return state;
}

Unit* UnitOf(int32_t ud) {
  auto& units = Units().units;
  if (ud < 1 || static_cast<size_t>(ud) > units.size()) return nullptr;
  Descriptor& descriptor = units[static_cast<size_t>(ud - 1)];
  return descriptor.open ? &descriptor.current : nullptr;
}

// NI's time-out codes. No limit is no choice for a bridge that must not hang: TNONE waits as
// long as the longest code.
Clock::duration TimeoutOf(int32_t code) {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(TimeoutSeconds(code == TNONE ? T1000s : code)));
}

// The controller named by the configuration, or null when there is none (already reported).
Session* TheSession() {
  const auto& config = prologix::LoadedConfig();
  if (!config) return nullptr;
  static Session session(
      config->port,
      [&config](Clock::time_point deadline, std::string& error) {
        return prologix::OpenTransport({.port = config->port, .resetWait = config->resetWait},
                                       deadline, error);
      },
      {}, config->pollTimeoutMs);
  return &session;
}

Address AddressOf(Addr4882_t address) {
  return {GetPAD(address), GetSAD(address)};
}

bool ValidAddress(Addr4882_t address) {
  return address != NOADDR && ValidPrimaryAddress(GetPAD(address)) &&
         ValidSecondaryAddress(GetSAD(address));
}

int32_t OpenUnit(const Unit& unit) {
  auto& units = Units().units;
  units.push_back({.configured = unit, .current = unit, .open = true});
  return static_cast<int32_t>(units.size());
}

// Runs a call on a unit descriptor's instrument.
template <typename Operation>
int32_t OnUnit(int32_t ud, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  Unit* unit = UnitOf(ud);
  if (unit == nullptr) return PublishFailure(EDVR);
  Session* session = TheSession();
  if (session == nullptr) return PublishFailure(EDVR);
  return Publish(operation(*session, *unit));
}

// Runs a call of board 0 with its time-out.
template <typename Operation>
void OnBoard(int32_t board, Operation operation) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (board != kBoard) {
    PublishFailure(EDVR);
    return;
  }
  Session* session = TheSession();
  if (session == nullptr) {
    PublishFailure(EDVR);
    return;
  }
  Publish(operation(*session, TimeoutOf(Units().boardTimeout)));
}

std::span<uint8_t> Buffer(void* buffer, int32_t count) {
  return {static_cast<uint8_t*>(buffer), static_cast<size_t>(count)};
}

std::span<const uint8_t> Buffer(const void* buffer, int32_t count) {
  return {static_cast<const uint8_t*>(buffer), static_cast<size_t>(count)};
}

CallStatus Refused(int32_t iberr) {
  return {.ibsta = ERR, .iberr = iberr};
}

}  // namespace

GPIB_BRIDGE_API int32_t ibfindA(const char* name) {
  std::lock_guard lock(gpib_bridge::CallLock());
  const auto& config = prologix::LoadedConfig();
  if (name == nullptr) return PublishFailure(EARG), -1;
  if (!config) return PublishFailure(EDVR), -1;
  const auto address = config->Device(name);
  if (!address) {
    std::fprintf(stderr, "libgpib-32 (prologix): no device named \"%s\" in %s\n", name,
                 config->path.c_str());
    return PublishFailure(EDVR), -1;
  }
  const int32_t ud = OpenUnit({.address = *address});
  Publish({.ibsta = CMPL});
  return ud;
}

GPIB_BRIDGE_API int32_t ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot,
                              int32_t /*eos: no end-of-string byte is used on writes*/) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (board != kBoard) return PublishFailure(EDVR), -1;
  if (!ValidPrimaryAddress(pad) || !ValidSecondaryAddress(sad) || !ValidTimeoutCode(tmo))
    return PublishFailure(EARG), -1;
  const int32_t ud = OpenUnit({.address = {pad, sad}, .timeout = tmo, .eoi = eot != 0});
  Publish({.ibsta = CMPL});
  return ud;
}

GPIB_BRIDGE_API int32_t ibonl(int32_t ud, int32_t v) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (UnitOf(ud) == nullptr) return PublishFailure(EDVR);
  Descriptor& descriptor = Units().units[static_cast<size_t>(ud - 1)];
  if (v != 0) {
    descriptor.current = descriptor.configured;
  } else {
    descriptor.open = false;
  }
  return Publish({.ibsta = CMPL});
}

GPIB_BRIDGE_API int32_t ibtmo(int32_t ud, int32_t v) {
  std::lock_guard lock(gpib_bridge::CallLock());
  if (!ValidTimeoutCode(v)) return PublishFailure(EARG);
  if (ud == kBoard) {
    Units().boardTimeout = v;
  } else if (Unit* unit = UnitOf(ud)) {
    unit->timeout = v;
  } else {
    return PublishFailure(EDVR);
  }
  return Publish({.ibsta = CMPL});
}

GPIB_BRIDGE_API int32_t ibwrt(int32_t ud, const void* buffer, int32_t count) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return session.Write(unit.address, Buffer(buffer, count), unit.eoi, TimeoutOf(unit.timeout));
  });
}

GPIB_BRIDGE_API int32_t ibrd(int32_t ud, void* buffer, int32_t count) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    if (!ValidBuffer(buffer, count)) return Refused(EARG);
    return session.Read(unit.address, Buffer(buffer, count), -1, TimeoutOf(unit.timeout));
  });
}

GPIB_BRIDGE_API int32_t ibclr(int32_t ud) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    return session.Command(unit.address, prologix::kClear, TimeoutOf(unit.timeout));
  });
}

GPIB_BRIDGE_API int32_t ibloc(int32_t ud) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    return session.Command(unit.address, prologix::kLocal, TimeoutOf(unit.timeout));
  });
}

GPIB_BRIDGE_API int32_t ibtrg(int32_t ud) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    return session.Command(unit.address, prologix::kTrigger, TimeoutOf(unit.timeout));
  });
}

GPIB_BRIDGE_API int32_t ibrsp(int32_t ud, char* spr) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    if (spr == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus result = session.SerialPoll(unit.address, status, TimeoutOf(unit.timeout));
    if ((result.ibsta & ERR) == 0) *spr = static_cast<char>(status);
    return result;
  });
}

GPIB_BRIDGE_API int32_t ibwait(int32_t ud, int32_t mask) {
  return OnUnit(ud, [&](Session& session, const Unit& unit) {
    if ((mask & RQS) == 0) return CallStatus{.ibsta = CMPL};
    bool asserted = false;
    CallStatus result = session.WaitForServiceRequest(asserted, TimeoutOf(unit.timeout));
    if (!asserted) return result;
    uint8_t status = 0;
    result = session.SerialPoll(unit.address, status, TimeoutOf(unit.timeout));
    if ((result.ibsta & ERR) == 0 && (status & kRequestService) != 0) result.ibsta |= RQS;
    return result;
  });
}

GPIB_BRIDGE_API void SendIFC(int32_t board) {
  OnBoard(board, [](Session& session, Clock::duration timeout) {
    return session.InterfaceClear(timeout);
  });
}

GPIB_BRIDGE_API void DevClear(int32_t board, Addr4882_t address) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    if (address == NOADDR) return session.UniversalClear(timeout);
    if (!ValidAddress(address)) return Refused(EARG);
    return session.Command(AddressOf(address), prologix::kClear, timeout);
  });
}

GPIB_BRIDGE_API void Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                          int32_t eotMode) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    const bool validEnd = eotMode == NULLend || eotMode == NLend || eotMode == DABend;
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    std::vector<uint8_t> message(Buffer(buffer, count).begin(), Buffer(buffer, count).end());
    if (eotMode == NLend) message.push_back('\n');  // the line feed carries EOI
    CallStatus result = session.Write(AddressOf(address), message, eotMode != NULLend, timeout);
    result.count = std::min<int64_t>(result.count, count);
    return result;
  });
}

GPIB_BRIDGE_API void Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                             int32_t termination) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    const bool validEnd = termination == STOPend || (termination >= 0 && termination <= 0xFF);
    if (!ValidAddress(address) || !ValidBuffer(buffer, count) || !validEnd) return Refused(EARG);
    return session.Read(AddressOf(address), Buffer(buffer, count),
                        termination == STOPend ? -1 : termination, timeout);
  });
}

GPIB_BRIDGE_API void ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    if (!ValidAddress(address) || result == nullptr) return Refused(EARG);
    uint8_t status = 0;
    const CallStatus outcome = session.SerialPoll(AddressOf(address), status, timeout);
    if ((outcome.ibsta & ERR) == 0) *result = status;
    return outcome;
  });
}

GPIB_BRIDGE_API void FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                              int32_t limit) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    if (addresses == nullptr || !ValidBuffer(results, limit)) return Refused(EARG);
    std::vector<Address> candidates;
    for (size_t i = 0; addresses[i] != NOADDR; ++i) {
      if (i == kMaxAddressList || !ValidAddress(addresses[i])) return Refused(EARG);
      candidates.push_back(AddressOf(addresses[i]));
    }
    std::vector<Address> found;
    CallStatus outcome = session.FindListeners(candidates, found, timeout);
    if ((outcome.ibsta & ERR) != 0) return outcome;
    const size_t stored = std::min(found.size(), static_cast<size_t>(limit));
    for (size_t i = 0; i < stored; ++i) results[i] = MakeAddr(found[i].pad, found[i].sad);
    outcome.count = static_cast<int64_t>(stored);
    if (found.size() > stored) outcome = {.ibsta = ERR, .iberr = ETAB, .count = outcome.count};
    return outcome;
  });
}

GPIB_BRIDGE_API void WaitSRQ(int32_t board, int16_t* result) {
  OnBoard(board, [&](Session& session, Clock::duration timeout) {
    if (result == nullptr) return Refused(EARG);
    bool asserted = false;
    const CallStatus outcome = session.WaitForServiceRequest(asserted, timeout);
    if ((outcome.ibsta & ERR) == 0) *result = asserted ? 1 : 0;
    return outcome;
  });
}

// Each export has exactly the type the module binds it as.
static_assert(std::is_same_v<decltype(&ibfindA), IbfindFn>);
static_assert(std::is_same_v<decltype(&WaitSRQ), WaitSRQFn>);
#include "ni488/export_types.h"
