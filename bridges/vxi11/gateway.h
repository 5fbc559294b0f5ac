// The conversation with one VXI-11 gateway: the core channel connected on first use (its
// port from the configuration or the gateway's portmapper), one link per bus address made
// when first needed ("gpib0,N" or "gpib0,N,S"), and the interface link "gpib0" for what
// concerns the whole bus. Every call ends by its time-out plus a short grace, whatever the
// gateway does: io_timeout and lock_timeout tell the gateway the time-out, and the client
// stops waiting at it too. A fault of the connection drops it with every link, so that the
// next call starts afresh; an error the gateway answers leaves the connection as it is.
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

#include "bridge.h"
#include "controller_exports.h"
#include "messages.h"
#include "rpc_client.h"

namespace vxi11 {

using gpib_bridge::BusAddress;
using gpib_bridge::CallStatus;

struct Endpoint {
  std::string host;
  std::optional<uint16_t> port;  // none: ask the portmapper
  uint16_t portmapperPort = 111;
  std::string interfaceName = "gpib0";
  std::chrono::milliseconds pollTimeout{100};  // a scan without device_docmd, per address
  // A scan with device_docmd asks the secondary addresses of each silent primary address too:
  // 62 round trips an address, so only when asked for.
  bool scanSecondary = false;
};

class Gateway : public gpib_bridge::Controller {
 public:
  // Where the line describing a failure goes (standard error unless told otherwise).
  using Report = std::function<void(const std::string& line)>;
  explicit Gateway(Endpoint endpoint, Report report = {});

  CallStatus Write(BusAddress address, std::span<const uint8_t> data, bool end,
                   Clock::duration timeout) override;
  // Reads until END, the count, or termChar (none when negative).
  CallStatus Read(BusAddress address, std::span<uint8_t> buffer, int termChar,
                  Clock::duration timeout) override;
  CallStatus SerialPoll(BusAddress address, uint8_t& status, Clock::duration timeout) override;
  // device_clear, device_local or device_trigger on the address's link.
  CallStatus Act(BusAddress address, Action action, Clock::duration timeout) override;
  // Ends the address's link, if there is one.
  CallStatus Release(BusAddress address, Clock::duration timeout) override;

  CallStatus InterfaceClear(Clock::duration timeout) override;
  CallStatus UniversalClear(Clock::duration timeout) override;
  CallStatus FindListeners(std::span<const BusAddress> candidates, std::vector<BusAddress>& found,
                           Clock::duration timeout) override;
  // Asks the bus status for SRQ until it is asserted or the time-out passes.
  CallStatus WaitForServiceRequest(bool& asserted, Clock::duration timeout) override;

 private:
  struct Failure {
    int32_t iberr = EDVR;
    int32_t ibsta = 0;  // TIMO for a time-out
    std::string what;
    bool connectionLost = false;
    uint32_t error = kNoError;  // the gateway's error code, when it answered one
  };
  struct Link {
    int32_t lid = 0;
    uint32_t maxRecvSize = 0;
  };
  // The call's limits: the gateway is told the milliseconds left, the client waits a grace
  // longer for the reply.
  struct Deadline {
    Clock::time_point end;
    uint32_t Milliseconds() const;
    Clock::time_point ForReply() const;
  };
  static Deadline After(Clock::duration timeout) { return {Clock::now() + timeout}; }

  static GenericParms GenericFor(const Link& link, Deadline deadline);
  std::optional<Failure> Connect(Deadline deadline);
  template <typename Reply>
  std::optional<Failure> Call(Procedure procedure, const Bytes& arguments, Reply& reply,
                              Deadline deadline);
  // Calls sent together (RpcClient::CallEach); the failure is the first call's that failed.
  template <typename Reply>
  std::optional<Failure> CallEach(Procedure procedure, std::span<const Bytes> arguments,
                                  std::vector<Reply>& replies, Deadline deadline);
  std::optional<Failure> LinkTo(uint16_t key, const std::string& device, Deadline deadline,
                                Link& link);
  std::optional<Failure> DeviceLink(BusAddress address, Deadline deadline, Link& link);
  std::optional<Failure> InterfaceLink(Deadline deadline, Link& link);
  static Bytes DocmdCall(const Link& link, int32_t command, const Bytes& data, Deadline deadline);
  std::optional<Failure> Docmd(int32_t command, const Bytes& data, Deadline deadline,
                               Bytes& answer);
  std::optional<Failure> SendCommand(const Bytes& bytes, Deadline deadline);
  // Whether the bus status item (SRQ, NDAC) is asserted.
  std::optional<Failure> BusStatus(uint16_t item, Deadline deadline, bool& asserted);
  // Whether a bus status answer tells the item asserted.
  static std::optional<Failure> Asserted(const Bytes& status, bool& asserted);
  // Whether each address listens: made the only listener (UNL, its LAD and SAD), an
  // addressed listener holds NDAC. The calls go to the gateway together.
  std::optional<Failure> Listening(std::span<const BusAddress> addresses, Deadline deadline,
                                   std::vector<bool>& listening);
  // Adds each asked address that listens to found, in order, and with scanSecondary, in
  // place of a silent primary address, its secondary addresses that listen.
  std::optional<Failure> AddListeners(std::span<const BusAddress> asked,
                                      const std::vector<bool>& listening, Deadline deadline,
                                      std::vector<BusAddress>& found);
  // The scan of a gateway without device_docmd: an address whose instrument answers a serial
  // poll listens.
  CallStatus PollListeners(std::span<const BusAddress> asked, std::vector<BusAddress>& found,
                           Deadline deadline);
  std::optional<Failure> Destroy(uint16_t key, Deadline deadline);
  CallStatus Failed(const Failure& failure, std::string_view during, int64_t count = 0);

  Endpoint endpoint_;
  Report report_;
  std::unique_ptr<RpcClient> client_;
  std::map<uint16_t, Link> links_;
};

}  // namespace vxi11
