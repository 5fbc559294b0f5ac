// The GPIB library's 22 names over a controller, written once for the bridges that talk to
// one (Prologix/AR488, VXI-11): unit descriptors, time-outs, argument checks and the results
// stored where the caller wants them. What reaches the bus is the controller's; each bridge
// defines TheController() and DeviceNamed() for its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bridge.h"

namespace gpib_bridge {

using Duration = std::chrono::steady_clock::duration;

class Controller {
 public:
  enum class Action { kClear, kLocal, kTrigger };

  virtual ~Controller() = default;
  virtual CallStatus Write(BusAddress address, std::span<const uint8_t> data, bool end,
                           Duration timeout) = 0;
  // Reads until END, the count, or stopByte (none when negative).
  virtual CallStatus Read(BusAddress address, std::span<uint8_t> buffer, int stopByte,
                          Duration timeout) = 0;
  virtual CallStatus SerialPoll(BusAddress address, uint8_t& status, Duration timeout) = 0;
  virtual CallStatus Act(BusAddress address, Action action, Duration timeout) = 0;
  // The last open descriptor of address went offline.
  virtual CallStatus Release(BusAddress /*address*/, Duration /*timeout*/) {
    return {.ibsta = CMPL};
  }
  virtual CallStatus InterfaceClear(Duration timeout) = 0;
  virtual CallStatus UniversalClear(Duration timeout) = 0;
  virtual CallStatus FindListeners(std::span<const BusAddress> candidates,
                                   std::vector<BusAddress>& found, Duration timeout) = 0;
  // Waits for SRQ until the time-out; asserted tells whether it came.
  virtual CallStatus WaitForServiceRequest(bool& asserted, Duration timeout) = 0;
};

// Defined by each bridge: its controller, or null when it has none (told already).
Controller* TheController();
// Defined by each bridge: the address ibfind opens for name, or nullopt (told already).
std::optional<BusAddress> DeviceNamed(const char* name);

}  // namespace gpib_bridge
