// A stand-in for linux-gpib's user library libgpib.so.0 over the simulated bus, with
// linux-gpib's own names and values where they differ from NI's: ibfind and no ibfindA, no
// user_* variables but the per-thread Thread*() status and global variables that a failed
// ibfind leaves stale, C long counts, Send's DABend 1 and NLend 2, and ibdev taking an
// out-of-range time-out code as no time-out. A bridge that misses a mapping gets a wrong
// result here. linux_gpib_standin_device_first(1) makes ibonl(ud, 1) close the descriptor, as
// linux-gpib's does when /etc/gpib.conf lists a device before the interface. Calls go into the
// simulator's transcript under these names and arguments.
#include <algorithm>
#include <climits>
#include <functional>
#include <mutex>

#include "bus.h"
#include "simulator.h"

using gpibsim::Bus;
using gpibsim::Format;
using gpibsim::Outcome;
using gpibsim::Simulator;

#define LINUX_GPIB_API extern "C" __attribute__((visibility("default")))

extern "C" {
__attribute__((visibility("default"))) volatile int ibsta = 0;
__attribute__((visibility("default"))) volatile int iberr = 0;
__attribute__((visibility("default"))) volatile int ibcnt = 0;
__attribute__((visibility("default"))) volatile long ibcntl = 0;
}

namespace {

constexpr int kDabEnd = 1, kNlEnd = 2;

struct ThreadStatus {
  int ibsta = 0;
  int iberr = 0;
  long count = 0;
};
thread_local ThreadStatus threadStatus;

void SyncGlobals() {
  ibsta = threadStatus.ibsta;
  iberr = threadStatus.iberr;
  ibcntl = threadStatus.count;
  ibcnt = static_cast<int>(threadStatus.count);
}

// Runs one call on the bus; syncOnFailure false leaves the globals as they were, as
// linux-gpib's ibfind and ibdev do on failure.
Outcome Run(const char* function, std::string arguments,
            const std::function<Outcome(Bus&)>& operation, bool syncOnFailure = true) {
  Simulator& sim = Simulator::Instance();
  std::lock_guard<std::recursive_mutex> lock(sim.mutex);
  const Outcome outcome = sim.Call(function, std::move(arguments), operation);
  const bool failed = (outcome.ibsta & ERR) != 0;
  threadStatus.ibsta = outcome.ibsta;
  if (failed) threadStatus.iberr = outcome.iberr;
  threadStatus.count = outcome.count;
  if (!failed || syncOnFailure) SyncGlobals();
  return outcome;
}

int32_t Count(long count) {
  return static_cast<int32_t>(std::clamp<long>(count, INT32_MIN, INT32_MAX));
}

// linux-gpib's end modes in the simulated bus's (NI's) values.
int32_t NiEndMode(int eot) {
  if (eot == kDabEnd) return DABend;
  if (eot == kNlEnd) return NLend;
  return eot;
}

}  // namespace

LINUX_GPIB_API int ThreadIbsta() {
  return threadStatus.ibsta;
}
LINUX_GPIB_API int ThreadIberr() {
  return threadStatus.iberr;
}
LINUX_GPIB_API int ThreadIbcnt() {
  return static_cast<int>(threadStatus.count);
}
LINUX_GPIB_API long ThreadIbcntl() {
  return threadStatus.count;
}

LINUX_GPIB_API int ibfind(const char* name) {
  return Run(
             "ibfind", Format("name=\"%s\"", name != nullptr ? name : "(null)"),
             [&](Bus& bus) { return bus.Find(name); }, false)
      .descriptor;
}

LINUX_GPIB_API int ibdev(int board, int pad, int sad, int timo, int eot, int eos) {
  return Run(
             "ibdev",
             Format("board=%d, pad=%d, sad=0x%X, tmo=%d, eot=%d, eos=0x%X", board, pad, sad, timo,
                    eot, eos),
             [&](Bus& bus) {
               // linux-gpib answers ETAB for an address above 30 (and may crash after it).
               if (pad > kLastPrimaryAddress || sad > kLastSecondaryAddress) {
                 return Outcome::Failure(ETAB);
               }
               return bus.Dev(board, pad, sad, ValidTimeoutCode(timo) ? timo : TNONE, eot, eos);
             },
             false)
      .descriptor;
}

namespace {
bool deviceFirst = false;
}

LINUX_GPIB_API void linux_gpib_standin_device_first(int yes) {
  deviceFirst = yes != 0;
}

LINUX_GPIB_API int ibonl(int ud, int onl) {
  return Run("ibonl", Format("ud=%d, v=%d", ud, onl),
             [&](Bus& bus) { return bus.Online(ud, deviceFirst ? 0 : onl); })
      .ibsta;
}

LINUX_GPIB_API int ibrd(int ud, void* buffer, long count) {
  return Run("ibrd", Format("ud=%d, count=%ld", ud, count),
             [&](Bus& bus) { return bus.Read(ud, buffer, Count(count)); })
      .ibsta;
}

LINUX_GPIB_API int ibwrt(int ud, const void* buffer, long count) {
  return Run("ibwrt", Format("ud=%d, count=%ld", ud, count),
             [&](Bus& bus) { return bus.Write(ud, buffer, Count(count)); })
      .ibsta;
}

LINUX_GPIB_API int ibrsp(int ud, char* spr) {
  return Run("ibrsp", Format("ud=%d", ud), [&](Bus& bus) { return bus.SerialPoll(ud, spr); }).ibsta;
}

LINUX_GPIB_API int ibtrg(int ud) {
  return Run("ibtrg", Format("ud=%d", ud), [&](Bus& bus) { return bus.Trigger(ud); }).ibsta;
}

LINUX_GPIB_API int ibwait(int ud, int mask) {
  return Run("ibwait", Format("ud=%d, mask=0x%X", ud, mask),
             [&](Bus& bus) { return bus.Wait(ud, mask); })
      .ibsta;
}

LINUX_GPIB_API int ibloc(int ud) {
  return Run("ibloc", Format("ud=%d", ud), [&](Bus& bus) { return bus.Local(ud); }).ibsta;
}

LINUX_GPIB_API int ibtmo(int ud, int v) {
  return Run("ibtmo", Format("ud=%d, v=%d", ud, v), [&](Bus& bus) { return bus.SetTimeout(ud, v); })
      .ibsta;
}

LINUX_GPIB_API int ibclr(int ud) {
  return Run("ibclr", Format("ud=%d", ud), [&](Bus& bus) { return bus.Clear(ud); }).ibsta;
}

LINUX_GPIB_API void DevClear(int board, uint16_t address) {
  Run("DevClear", Format("board=%d, address=0x%X", board, address),
      [&](Bus& bus) { return bus.DevClear(board, static_cast<Addr4882_t>(address)); });
}

LINUX_GPIB_API void FindLstn(int board, const uint16_t* addresses, uint16_t* results, int limit) {
  Run("FindLstn", Format("board=%d, limit=%d", board, limit), [&](Bus& bus) {
    return bus.FindListeners(board, reinterpret_cast<const Addr4882_t*>(addresses),
                             reinterpret_cast<Addr4882_t*>(results), limit);
  });
}

LINUX_GPIB_API void ReadStatusByte(int board, uint16_t address, short* result) {
  Run("ReadStatusByte", Format("board=%d, address=0x%X", board, address), [&](Bus& bus) {
    return bus.ReadStatusByte(board, static_cast<Addr4882_t>(address), result);
  });
}

LINUX_GPIB_API void Receive(int board, uint16_t address, void* buffer, long count,
                            int termination) {
  Run("Receive",
      Format("board=%d, address=0x%X, count=%ld, termination=0x%X", board, address, count,
             termination),
      [&](Bus& bus) {
        return bus.Receive(board, static_cast<Addr4882_t>(address), buffer, Count(count),
                           termination);
      });
}

LINUX_GPIB_API void Send(int board, uint16_t address, const void* buffer, long count, int eot) {
  Run("Send", Format("board=%d, address=0x%X, count=%ld, eot=%d", board, address, count, eot),
      [&](Bus& bus) {
        return bus.Send(board, static_cast<Addr4882_t>(address), buffer, Count(count),
                        NiEndMode(eot));
      });
}

LINUX_GPIB_API void SendIFC(int board) {
  Run("SendIFC", Format("board=%d", board), [&](Bus& bus) { return bus.SendIfc(board); });
}

LINUX_GPIB_API void WaitSRQ(int board, short* result) {
  Run("WaitSRQ", Format("board=%d", board), [&](Bus& bus) { return bus.WaitSrq(board, result); });
}
