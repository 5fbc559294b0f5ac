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

CallFailure TimedOut(const char* what) {
  return {.kind = CallFailure::Kind::kTimedOut, .what = what};
}

CallFailure Closed() {
  return {.kind = CallFailure::Kind::kClosed, .what = "the gateway closed the connection"};
}

CallFailure Malformed(std::string what) {
  return {.kind = CallFailure::Kind::kMalformed, .what = std::move(what)};
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
      nextXid_(static_cast<uint32_t>(Clock::now().time_since_epoch().count())) {}

RpcClient::~RpcClient() {
  close(fd_);
}

std::optional<CallFailure> RpcClient::Send(const Bytes& bytes, Clock::time_point deadline) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    if (!WaitReady(fd_, POLLOUT, deadline)) return TimedOut("the gateway took no more bytes");
    const ssize_t count = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (count <= 0) return Closed();
    sent += static_cast<size_t>(count);
  }
  return std::nullopt;
}

std::optional<CallFailure> RpcClient::ReceiveExactly(uint8_t* into, size_t count,
                                                     Clock::time_point deadline) {
  while (count > 0) {
    if (!WaitReady(fd_, POLLIN, deadline)) return TimedOut("no reply from the gateway in time");
    const ssize_t received = recv(fd_, into, count, 0);
    if (received < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (received <= 0) return Closed();
    into += received;
    count -= static_cast<size_t>(received);
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
  const uint32_t xid = nextXid_++;
  const CallHeader header{
      .xid = xid, .program = program, .version = version, .procedure = procedure};
  if (auto failure = Send(Record(CallMessage(header, arguments)), deadline)) return failure;
  Bytes record;
  if (auto failure = ReceiveRecord(record, deadline)) return failure;
  const ParsedReply reply = ParseReply(record, xid);
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
