#include "rpc_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "fd_wait.h"
#include "messages.h"
#include "tcp_connect.h"

namespace vxi11 {

namespace {

using gpib_bridge::WaitReady;

// Calls sent ahead of their replies at the most: their records and the replies stay far below
// a socket's buffer, so neither side can block writing while the other does too.
constexpr size_t kCallsInFlight = 64;
// What one receive takes at the most: several short replies, or a good part of a long one.
constexpr size_t kInputSize = 64 * 1024;

CallFailure TimedOut(const char* what) {
  return {.kind = CallFailure::Kind::kTimedOut, .what = what};
}

CallFailure Closed() {
  return {.kind = CallFailure::Kind::kClosed, .what = "the gateway closed the connection"};
}

CallFailure Malformed(std::string what) {
  return {.kind = CallFailure::Kind::kMalformed, .what = std::move(what)};
}

// The results of a reply, or why it has none.
std::optional<CallFailure> ResultsOf(const ParsedReply& reply, Bytes& results) {
  switch (reply.kind) {
    case ParsedReply::Kind::kSuccess:
      results.assign(reply.results.begin(), reply.results.end());
      return std::nullopt;
    case ParsedReply::Kind::kNotAccepted:
      return CallFailure{.kind = CallFailure::Kind::kRejected,
                         .what = "the gateway did not accept the call (accept_stat " +
                                 std::to_string(static_cast<uint32_t>(reply.status)) + ")"};
    case ParsedReply::Kind::kDenied:
      return CallFailure{.kind = CallFailure::Kind::kRejected,
                         .what = "the gateway denied the call"};
    case ParsedReply::Kind::kOtherCall:
      return Malformed("the gateway answered another call");
    case ParsedReply::Kind::kMalformed:
      break;
  }
  return Malformed("the gateway's reply is no RPC reply");
}

}  // namespace

std::unique_ptr<RpcClient> RpcClient::Connect(const std::string& host, uint16_t port,
                                              Clock::time_point deadline, std::string& error) {
  const std::string service = std::to_string(port);
  const std::string noAnswer = std::string("cannot connect: ") + std::strerror(ETIMEDOUT);
  if (const int fd = gpib_bridge::ConnectTcp(host, service, deadline, noAnswer, error); fd >= 0)
    return std::unique_ptr<RpcClient>(new RpcClient(fd));
  error += " (" + host + ":" + service + ")";
  return nullptr;
}

RpcClient::RpcClient(int fd)
    : fd_(fd),
      // Transaction ids start apart for each connection, so that a reply cannot pass for
      // one of an earlier connection's calls.
      nextXid_(static_cast<uint32_t>(Clock::now().time_since_epoch().count())),
      input_(kInputSize) {}

RpcClient::~RpcClient() {
  close(fd_);
}

// Each transfer is tried at once and waited for only when the socket is not ready: a reply
// is often there already, and a wait is a system call more for each.
std::optional<CallFailure> RpcClient::Send(const Bytes& bytes, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count > 0) {
      sent += static_cast<size_t>(count);
    } else if (count < 0 && errno == EAGAIN) {
      if (!WaitReady(fd_, POLLOUT, deadline)) return TimedOut("the gateway took no more bytes");
    } else if (count == 0 || errno != EINTR) {
      return Closed();
    }
  }
  return std::nullopt;
}

std::optional<CallFailure> RpcClient::Fill(Clock::time_point deadline) {
  for (;;) {
    const ssize_t received = recv(fd_, input_.data(), input_.size(), 0);
    if (received > 0) {
      inputAt_ = 0;
      inputEnd_ = static_cast<size_t>(received);
      return std::nullopt;
    }
    if (received < 0 && errno == EAGAIN) {
      if (!WaitReady(fd_, POLLIN, deadline)) return TimedOut("no reply from the gateway in time");
    } else if (received == 0 || errno != EINTR) {
      return Closed();
    }
  }
}

std::optional<CallFailure> RpcClient::ReceiveExactly(uint8_t* into, size_t count,
                                                     Clock::time_point deadline) {
  while (count > 0) {
    if (inputAt_ == inputEnd_) {
      if (auto failure = Fill(deadline)) return failure;
    }
    const size_t taken = std::min(count, inputEnd_ - inputAt_);
    std::memcpy(into, input_.data() + inputAt_, taken);
    inputAt_ += taken;
    into += taken;
    count -= taken;
  }
  return std::nullopt;
}

std::optional<CallFailure> RpcClient::ReceiveRecord(Bytes& record, Clock::time_point deadline) {
  record.clear();
  for (;;) {
    std::array<uint8_t, 4> header{};
    if (auto failure = ReceiveExactly(header.data(), header.size(), deadline)) return failure;
    const FragmentHeader fragment = ParseFragmentHeader(header);
    if (fragment.length > kMaxRecord - record.size())
      return Malformed("the gateway's reply is longer than any reply can be");
    const size_t at = record.size();
    record.resize(at + fragment.length);
    if (auto failure = ReceiveExactly(record.data() + at, fragment.length, deadline))
      return failure;
    if (fragment.last) return std::nullopt;
  }
}

std::optional<CallFailure> RpcClient::Call(uint32_t program, uint32_t version, uint32_t procedure,
                                           const Bytes& arguments, Clock::time_point deadline,
                                           Bytes& results) {
  std::vector<Bytes> each;
  auto failure = CallEach(program, version, procedure, std::span(&arguments, 1), deadline, each);
  if (!failure) results = std::move(each.front());
  return failure;
}

std::optional<CallFailure> RpcClient::CallEach(uint32_t program, uint32_t version,
                                               uint32_t procedure, std::span<const Bytes> arguments,
                                               Clock::time_point deadline,
                                               std::vector<Bytes>& results) {
  results.clear();
  while (!arguments.empty()) {
    const auto batch = arguments.first(std::min(arguments.size(), kCallsInFlight));
    arguments = arguments.subspan(batch.size());
    const uint32_t firstXid = nextXid_;
    Bytes records;
    for (const Bytes& each : batch) {
      const CallHeader header{
          .xid = nextXid_++, .program = program, .version = version, .procedure = procedure};
      const Bytes record = Record(CallMessage(header, each));
      records.insert(records.end(), record.begin(), record.end());
    }
    if (auto failure = Send(records, deadline)) return failure;
    for (uint32_t xid = firstXid; xid != nextXid_; ++xid) {
      Bytes record;
      if (auto failure = ReceiveRecord(record, deadline)) return failure;
      if (auto failure = ResultsOf(ParseReply(record, xid), results.emplace_back())) return failure;
    }
  }
  return std::nullopt;
}

std::optional<uint16_t> CorePortFromPortmapper(const std::string& host, uint16_t port,
                                               Clock::time_point deadline, std::string& error) {
  const auto client = RpcClient::Connect(host, port, deadline, error);
  if (!client) {
    error = "no portmapper: " + error;
    return std::nullopt;
  }
  const Mapping mapping{
      .program = kDeviceCore, .version = kDeviceCoreVersion, .protocol = kTcpProtocol, .port = 0};
  Bytes results;
  if (auto failure = client->Call(kPortmapper, kPortmapperVersion, kGetPort, Encode(mapping),
                                  deadline, results)) {
    error = "portmapper: " + failure->what;
    return std::nullopt;
  }
  PortResp reply;
  if (!Decode(results, reply) || reply.port == 0 || reply.port > 0xFFFF) {
    error = "the portmapper knows no VXI-11 core channel";
    return std::nullopt;
  }
  return static_cast<uint16_t>(reply.port);
}

}  // namespace vxi11
