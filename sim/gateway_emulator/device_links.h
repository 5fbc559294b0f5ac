// An emulated LAN-to-GPIB gateway's VXI-11 core channel in front of a simulated bus, held
// to VXI-11 and VXI-11.2 as written, not kinder:
//   - create_link takes the interface name ("gpib0") or "gpib0,N[,S]" (N and S 0 to 30);
//     anything else is error 21 (invalid address), an unknown interface error 3;
//   - device_write takes at most maxRecvSize bytes (more: error 5) and hands the message to
//     the instrument with its END; device_read returns at most requestSize bytes, with the
//     reasons END, CHR (termChar when TERMCHRSET) and REQCNT; a silent instrument costs the
//     whole io_timeout and answers error 15;
//   - device_lock and device_unlock, locks honoured with lock_timeout when waitlock is set
//     (else error 11 at once), released with the link;
//   - device_docmd on the interface link: send command (ATN bytes: UNL, listen and secondary
//     addresses, DCL, SDC), bus status (REMOTE, SRQ, NDAC, SYSTEM_CONTROLLER, CIC, TALKER,
//     LISTENER, BUS_ADDRESS), IFC, ATN and REN control; a device_clear of the interface link
//     is its IFC. Optionally every device_docmd is refused (error 8, operation not
//     supported), as some gateways do.
// No abort channel is served (create_link gives abortPort 0), and no interrupt channel.
// Calls may come from several connections at once; each connection's links are its own.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "bus.h"
#include "messages.h"

namespace gpibsim::gateway {

using vxi11::Bytes;

struct Behaviour {
  uint32_t maxRecvSize = 4096;
  bool docmd = true;
  uint32_t maxReadReply = 65536;  // what one device_read returns at the most
};

class DeviceLinks {
 public:
  DeviceLinks(Bus& bus, Behaviour behaviour) : bus_(bus), behaviour_(behaviour) {}

  // What a call did besides its results: arguments that did not decode, and the bytes it
  // read from the bus (what a paced bus holds back).
  struct Notes {
    bool garbage = false;
    size_t busBytes = 0;
  };
  // Results of one call from connection; an unknown procedure gives nullopt.
  std::optional<Bytes> Serve(int connection, uint32_t procedure, std::span<const uint8_t> arguments,
                             Notes& notes);
  // The connection ended: its links and locks go.
  void Disconnected(int connection);
  // The next create_link is refused with error 9 (out of resources).
  void RefuseNextLink();

 private:
  struct Link {
    int connection = 0;
    bool interface = false;
    int32_t pad = 0;
    int32_t sad = 0;  // 0 or 0x60 + n
    Bytes pending;    // written without END, for the instrument
  };
  using Lock = std::unique_lock<std::mutex>;

  template <typename Parms, typename Handler>
  std::optional<Bytes> With(std::span<const uint8_t> arguments, bool& garbage, Handler handler);

  vxi11::CreateLinkResp CreateLink(Lock& lock, int connection, const vxi11::CreateLinkParms& parms);
  vxi11::WriteResp Write(Lock& lock, const vxi11::WriteParms& parms);
  vxi11::ReadResp Read(Lock& lock, const vxi11::ReadParms& parms);
  vxi11::ReadStbResp ReadStb(Lock& lock, const vxi11::GenericParms& parms);
  vxi11::ErrorResp Generic(Lock& lock, uint32_t procedure, const vxi11::GenericParms& parms);
  vxi11::ErrorResp LockDevice(Lock& lock, const vxi11::LockParms& parms);
  vxi11::ErrorResp Unlock(int32_t lid);
  vxi11::ErrorResp Destroy(int32_t lid);
  vxi11::DocmdResp Docmd(Lock& lock, const vxi11::DocmdParms& parms);
  uint32_t SendCommand(std::span<const uint8_t> bytes);
  uint32_t BusStatus(std::span<const uint8_t> item, Bytes& answer) const;

  // The link, checked: invalid (4), or locked by another link (11) once lockTimeout has
  // passed with waitlock, at once without.
  uint32_t Usable(Lock& lock, int32_t lid, uint32_t flags, uint32_t lockTimeout);
  // A usable link to an instrument for a call's parms, or null with error set: the interface
  // link is none.
  template <typename Parms>
  Link* InstrumentLink(Lock& lock, const Parms& parms, uint32_t& error);
  // The same, with the bytes written so far sent on first, for a call that reads back.
  template <typename Parms>
  Link* FlushedInstrumentLink(Lock& lock, const Parms& parms, uint32_t& error);
  // The key of what a link locks: its address, or the interface.
  static uint16_t LockKey(const Link& link);
  void Deliver(Link& link, int32_t endMode);
  // Waits out an io_timeout with the bus free for other connections.
  static void WaitOut(Lock& lock, uint32_t milliseconds);

  Bus& bus_;
  Behaviour behaviour_;
  std::mutex mutex_;
  std::condition_variable unlocked_;
  std::map<int32_t, Link> links_;
  std::map<uint16_t, int32_t> locks_;  // lock key: the link holding it
  std::vector<Addr4882_t> listeners_;  // addressed by send command
  int32_t nextLid_ = 1;
  bool refuseNextLink_ = false;
};

}  // namespace gpibsim::gateway
