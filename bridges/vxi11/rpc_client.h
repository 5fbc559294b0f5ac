// One TCP connection to an RPC server. Every wait ends at the call's deadline; no state is
// shared with any other connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rpc.h"

namespace vxi11 {

using Clock = std::chrono::steady_clock;

// Why a call brought no results; after any of them the connection is of no further use.
struct CallFailure {
  enum class Kind { kTimedOut, kClosed, kMalformed, kRejected };
  Kind kind = Kind::kMalformed;
  std::string what;
};

class RpcClient {
 public:
  // Connects by the deadline; null with error set to one line saying why.
  static std::unique_ptr<RpcClient> Connect(const std::string& host, uint16_t port,
                                            Clock::time_point deadline, std::string& error);
  ~RpcClient();
  RpcClient(const RpcClient&) = delete;
  RpcClient& operator=(const RpcClient&) = delete;

  std::optional<CallFailure> Call(uint32_t program, uint32_t version, uint32_t procedure,
                                  const Bytes& arguments, Clock::time_point deadline,
                                  Bytes& results);
  // Small calls of one procedure, sent a few dozen at a time ahead of their replies, which the
  // server gives in the order of the calls as it works through its stream; results[k] holds
  // the k-th call's. One round trip for a batch instead of one a call.
  std::optional<CallFailure> CallEach(uint32_t program, uint32_t version, uint32_t procedure,
                                      std::span<const Bytes> arguments, Clock::time_point deadline,
                                      std::vector<Bytes>& results);

 private:
  explicit RpcClient(int fd);
  std::optional<CallFailure> Send(const Bytes& bytes, Clock::time_point deadline);
  // Takes what the socket holds into input_, waiting for it by the deadline.
  std::optional<CallFailure> Fill(Clock::time_point deadline);
  std::optional<CallFailure> ReceiveRecord(Bytes& record, Clock::time_point deadline);
  std::optional<CallFailure> ReceiveExactly(uint8_t* into, size_t count,
                                            Clock::time_point deadline);

  int fd_;
  uint32_t nextXid_;
  Bytes input_;  // what was received; inputAt_ to inputEnd_ is not yet taken
  size_t inputAt_ = 0;
  size_t inputEnd_ = 0;
};

// The port the portmapper at host:port gives the VXI-11 core channel over TCP.
std::optional<uint16_t> CorePortFromPortmapper(const std::string& host, uint16_t port,
                                               Clock::time_point deadline, std::string& error);

}  // namespace vxi11
