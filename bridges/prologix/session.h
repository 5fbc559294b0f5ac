// The conversation with one controller: connected and set up on first use, addressed only
// when the address changes, and dropped after any fault so that the next call reconnects.
// Each call sends its steps, every one followed by the version query, and reads until each
// step's version line has come back: the reply of a step is exactly the bytes before it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "address.h"
#include "bridge.h"
#include "commands.h"
#include "controller_bytes.h"
#include "controller_exports.h"
#include "transport.h"

namespace prologix {

using gpib_bridge::CallStatus;

class Session : public gpib_bridge::Controller {
 public:
  // Opens the link; null with error set when it cannot.
  using Connector =
      std::function<std::unique_ptr<Transport>(Clock::time_point deadline, std::string& error)>;
  // Where the line describing a failure goes (standard error unless told otherwise).
  using Report = std::function<void(const std::string& line)>;
  // pollTimeoutMs: the controller's read time-out for each serial poll of a scan.
  Session(std::string linkName, Connector connect, Report report = {},
          int pollTimeoutMs = kPollTimeoutMs);

  CallStatus Write(Address address, std::span<const uint8_t> data, bool eoi,
                   Clock::duration timeout) override;
  // Reads until EOI (stopByte < 0) or the stop byte; what the buffer cannot take is kept for
  // the next read from the same address, as the instrument would have held it: a write to
  // that address or its clear drops it, calls to other addresses leave it.
  CallStatus Read(Address address, std::span<uint8_t> buffer, int stopByte,
                  Clock::duration timeout) override;
  // A command to one instrument (++clr, ++loc, ++trg); a clear also drops what was kept.
  CallStatus Command(Address address, std::string_view command, Clock::duration timeout);
  // ++clr, ++loc or ++trg.
  CallStatus Act(Address address, Action action, Clock::duration timeout) override;
  CallStatus InterfaceClear(Clock::duration timeout) override;
  CallStatus UniversalClear(Clock::duration timeout) override;
  CallStatus SerialPoll(Address address, uint8_t& status, Clock::duration timeout) override;
  CallStatus FindListeners(std::span<const Address> candidates, std::vector<Address>& found,
                           Clock::duration timeout) override;
  CallStatus WaitForServiceRequest(bool& asserted, Clock::duration timeout) override;

 private:
  struct Failure {
    int32_t iberr = EDVR;
    int32_t ibsta = 0;  // TIMO for a time-out
    std::string what;
  };
  // Bytes read from one talker that no read has taken yet.
  struct Kept {
    Bytes bytes;
    size_t taken = 0;
    bool end = false;  // the last byte came with EOI
    size_t Available() const { return bytes.size() - taken; }
  };

  std::optional<Failure> Connect(Clock::time_point deadline);
  // Reads the controller's version line, the first thing it answers on a new link.
  std::optional<Failure> ReadVersion(Transport& transport, Clock::time_point deadline);
  // Sends the steps and collects their replies. A reply ends by the deadline, with no pause
  // longer than silence, and holds at most replyLimit bytes: past that it is garbage.
  std::optional<Failure> Exchange(const std::vector<std::string>& steps,
                                  std::vector<Bytes>& replies, Clock::time_point deadline,
                                  Clock::duration silence, size_t replyLimit);
  // Exchange of one step whose reply must be empty.
  std::optional<Failure> Quiet(std::string step, Clock::duration timeout);
  std::string AddressStep(Address address);
  std::string PollStep(Address address) const;
  // Sets the controller's read time-out (for reads and polls) unless it is set already.
  std::string ReadTimeoutStep(int timeoutMs);
  CallStatus Failed(const Failure& failure, std::string_view during, int64_t count = 0);
  static uint16_t Key(Address address) {
    return static_cast<uint16_t>(address.pad | address.sad << 8);
  }

  std::string linkName_;
  Connector connect_;
  Report report_;
  std::unique_ptr<Transport> transport_;
  std::string sentinel_;  // the controller's version line
  bool ar488_ = false;
  std::optional<Address> addressed_;
  bool eoi_ = true;
  int readTimeoutMs_;
  int pollTimeoutMs_;
  std::map<uint16_t, Kept> kept_;
};

}  // namespace prologix
