// The link to the controller: a TCP connection ("tcp://HOST[:PORT]", port 1234 when none is
// given) or a serial device (115200 8N1, raw). Every wait ends at a deadline.
#pragma once

#include <chrono>
#include <memory>
#include <span>
#include <string>

#include "controller_bytes.h"

namespace prologix {

using Clock = std::chrono::steady_clock;

class Transport {
 public:
  enum class Result { kOk, kTimedOut, kClosed, kFailed };
  virtual ~Transport() = default;
  virtual Result Send(std::span<const uint8_t> bytes, Clock::time_point deadline) = 0;
  // Appends what arrives (at least one byte on kOk).
  virtual Result Receive(Bytes& into, Clock::time_point deadline) = 0;
};

struct TransportOptions {
  std::string port;                       // as in the configuration
  std::chrono::milliseconds resetWait{};  // after opening a serial device
};

// Opens the link, or returns null with error set to one line saying why.
std::unique_ptr<Transport> OpenTransport(const TransportOptions& options,
                                         Clock::time_point deadline, std::string& error);

}  // namespace prologix
