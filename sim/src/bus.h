// The bus on board 0: devices at primary addresses 1 to 30, each with or without a secondary
// address, the device names of the GPIB configuration, unit descriptors, a simulated clock
// and the pacing of transfers. Each operation is one exported call of the library and says
// what the call did.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "descriptors.h"
#include "device.h"
#include "ni488/ni488.h"

namespace gpibsim {

// What one call did: the status word, the error code (read only with ERR), the count for
// ibcnt/ibcntl, and the bytes it moved (the first kKeptBytes of them) for the transcript.
struct Outcome {
  static constexpr size_t kKeptBytes = 256;

  int32_t ibsta = CMPL;
  int32_t iberr = 0;
  int32_t count = 0;
  int32_t descriptor = -1;  // ibfind, ibdev: the new unit descriptor
  Bytes data;
  int32_t dataTotal = 0;

  static Outcome Failure(int32_t error, int32_t extraStatus = 0);
  static Outcome Moved(std::span<const uint8_t> bytes, int32_t count);
};

class Bus {
 public:
  static constexpr int32_t kBoard = 0;
  static constexpr int32_t kFirstAddress = 1;
  static constexpr int32_t kLastAddress = kLastPrimaryAddress;

  // --- Set-up (bench and control interface) ---
  // Empty bus: no devices, names or descriptors; clock at 0, instant transfers.
  void Reset();
  // Puts device at pad (1 to 30) and sad (0 for none, or 0x60 to 0x7E), replacing what was
  // there.
  void Attach(int32_t pad, std::unique_ptr<Device> device, int32_t sad = 0);
  void Name(const std::string& name, int32_t pad, int32_t sad = 0) {
    names_[name] = MakeAddr(pad, sad);
  }
  void SetTransferRate(double bytesPerSecond) { transferRate_ = bytesPerSecond; }
  // The device at pad and sad, or null.
  Device* DeviceAt(int32_t pad, int32_t sad = 0) const;
  // Whether a device is at pad and sad and answers an address poll.
  bool ListensAt(int32_t pad, int32_t sad) const;
  // The listeners FindLstn reports for one entry of its list: the device at a primary address,
  // or when none listens there, those at its secondary addresses.
  std::vector<Addr4882_t> ListenersAt(Addr4882_t address) const;
  int32_t OpenDescriptors() const { return descriptors_.Count(); }
  double Now() const { return clock_; }

  // --- Device level (unit descriptors) ---
  Outcome Find(const char* name);
  Outcome Dev(int32_t board, int32_t pad, int32_t sad, int32_t timeout, int32_t eot, int32_t eos);
  Outcome Online(int32_t ud, int32_t online);
  Outcome Write(int32_t ud, const void* buffer, int32_t count);
  Outcome Read(int32_t ud, void* buffer, int32_t count);
  Outcome Clear(int32_t ud);
  Outcome Local(int32_t ud);
  Outcome SetTimeout(int32_t ud, int32_t timeout);
  Outcome SerialPoll(int32_t ud, char* statusByte);
  Outcome Trigger(int32_t ud);
  Outcome Wait(int32_t ud, int32_t mask);

  // --- Board level (board 0 and a bus address) ---
  Outcome SendIfc(int32_t board);
  Outcome FindListeners(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                        int32_t limit);
  Outcome Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
               int32_t eotMode);
  Outcome Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                  int32_t termination);
  Outcome DevClear(int32_t board, Addr4882_t address);
  Outcome ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result);
  Outcome WaitSrq(int32_t board, int16_t* result);

 private:
  // Where a call goes: the descriptor or address, and the device listening there (null when
  // nothing listens: ENOL). error is set when the descriptor or address itself is wrong.
  struct Target {
    Device* device = nullptr;
    Descriptor* descriptor = nullptr;
    std::optional<int32_t> error;
  };
  // The failure of a call to target, checked in the library's order (descriptor or address,
  // then arguments, then a listener), or nothing when the call can go ahead.
  static std::optional<Outcome> Refused(const Target& target, bool argumentsValid = true);
  Target ByDescriptor(int32_t ud) const;
  Target ByAddress(int32_t board, Addr4882_t address) const;

  void Deliver(Device& device, std::span<const uint8_t> message);
  Outcome ReadFrom(Device& device, void* buffer, int32_t count, int32_t timeout);
  void Pace(size_t bytes);
  void Elapse(double seconds) { clock_ += seconds; }

  // One slot for each primary address without a secondary one, then one for each secondary.
  static constexpr size_t kSlotsPerPad = 1 + kLastSecondaryAddress - kFirstSecondaryAddress + 1;
  static size_t Slot(int32_t pad, int32_t sad);
  std::array<std::unique_ptr<Device>, (kLastAddress + 1) * kSlotsPerPad> devices_;
  std::map<std::string, Addr4882_t> names_;
  mutable Descriptors descriptors_;
  double clock_ = 0.0;
  double transferRate_ = 0.0;
  bool controllerInCharge_ = false;
  int32_t boardTimeout_ = T10s;
};

}  // namespace gpibsim
