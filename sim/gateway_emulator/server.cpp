#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "file_descriptor.h"
#include "rpc.h"

namespace gpibsim::gateway {

namespace {

using Clock = std::chrono::steady_clock;
using vxi11::AcceptedReply;
using vxi11::AcceptStatus;
using vxi11::ParsedCall;

constexpr int kPollMilliseconds = 50;
constexpr int kWriteWaitMilliseconds = 5000;
constexpr std::chrono::milliseconds kPaceSlack{1};

// A listening socket on 127.0.0.1 at a port the system picks; -1 on failure.
int Listener(uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 8) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

class Connection {
 public:
  Connection(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {}

  // One record of the peer's, bounded in length; false when the peer left, sent a longer
  // one, or the run ended.
  bool ReadRecord(vxi11::Bytes& record) {
    record.clear();
    for (;;) {
      std::array<uint8_t, 4> header{};
      if (!ReadExactly(header.data(), header.size())) return false;
      const vxi11::FragmentHeader fragment = vxi11::ParseFragmentHeader(header);
      if (fragment.length > vxi11::kMaxRecord - record.size()) return false;
      const size_t at = record.size();
      record.resize(at + fragment.length);
      if (!ReadExactly(record.data() + at, fragment.length)) return false;
      if (fragment.last) return true;
    }
  }

  bool WriteAll(const vxi11::Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      pollfd poll_fd{.fd = fd_, .events = POLLOUT, .revents = 0};
      if (poll(&poll_fd, 1, kWriteWaitMilliseconds) <= 0) return false;
      const ssize_t count = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (count <= 0) return false;
      sent += static_cast<size_t>(count);
    }
    return true;
  }

  // A stalled gateway: reads and answers nothing until the peer leaves.
  void IgnoreUntilGone() {
    std::array<uint8_t, 4096> buffer{};
    while (Readable() && read(fd_, buffer.data(), buffer.size()) > 0) {
    }
  }

 private:
  bool Readable() {
    while (!stop_) {
      pollfd poll_fd{.fd = fd_, .events = POLLIN, .revents = 0};
      const int ready = poll(&poll_fd, 1, kPollMilliseconds);
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
    return false;
  }

  bool ReadExactly(uint8_t* into, size_t count) {
    while (count > 0) {
      if (inputAt_ == inputEnd_ && !Fill()) return false;
      const size_t taken = std::min(count, inputEnd_ - inputAt_);
      std::memcpy(into, input_.data() + inputAt_, taken);
      inputAt_ += taken;
      into += taken;
      count -= taken;
    }
    return true;
  }

  // Takes what the peer has sent: several calls at once when it sends them together.
  bool Fill() {
    if (!Readable()) return false;
    const ssize_t received = read(fd_, input_.data(), input_.size());
    if (received <= 0) return false;
    inputAt_ = 0;
    inputEnd_ = static_cast<size_t>(received);
    return true;
  }

  int fd_;
  const std::atomic<bool>& stop_;
  vxi11::Bytes input_ = vxi11::Bytes(size_t{64} * 1024);  // inputAt_ to inputEnd_ not yet taken
  size_t inputAt_ = 0;
  size_t inputEnd_ = 0;
};

class Server {
 public:
  Server(Bus& bus, const ServerOptions& options)
      : options_(options), links_(bus, options.behaviour) {}

  void ServeCore(int fd, int number) {
    const FileDescriptor socket(fd);
    Connection connection(fd, stop_);
    Clock::time_point nextFree{};
    vxi11::Bytes record;
    while (connection.ReadRecord(record)) {
      const auto call = vxi11::ParseCall(record);
      if (!call) break;  // no RPC call: the stream is lost
      const Fault::Kind fault = FaultOf(*call);
      if (fault == Fault::Kind::kDrop) break;
      if (fault == Fault::Kind::kStall) {
        connection.IgnoreUntilGone();
        break;
      }
      if (fault == Fault::Kind::kRefuseLink) links_.RefuseNextLink();
      size_t busBytes = 0;
      const auto arrived = Clock::now();
      vxi11::Bytes reply = CoreReply(*call, number, busBytes);
      // Cut short, the reply's results are no longer whole XDR items.
      if (fault == Fault::Kind::kMalformed) reply.resize(reply.size() - 2);
      Pace(busBytes, arrived, nextFree);
      if (!connection.WriteAll(vxi11::Record(reply))) break;
    }
    links_.Disconnected(number);
  }

  void ServePortmapper(int fd) {
    const FileDescriptor socket(fd);
    Connection connection(fd, stop_);
    vxi11::Bytes record;
    while (connection.ReadRecord(record)) {
      const auto call = vxi11::ParseCall(record);
      if (!call || !connection.WriteAll(vxi11::Record(PortmapperReply(*call)))) return;
    }
  }

  void Stop() { stop_ = true; }
  uint16_t corePort = 0;

 private:
  Fault::Kind FaultOf(const ParsedCall& call) {
    if (call.header.program != vxi11::kDeviceCore) return Fault::Kind::kNone;
    return ++calls_ == options_.fault.atCall ? options_.fault.kind : Fault::Kind::kNone;
  }

  static std::optional<vxi11::Bytes> Mismatch(const ParsedCall& call, uint32_t program,
                                              uint32_t version) {
    if (call.header.program != program)
      return AcceptedReply(call.header.xid, AcceptStatus::kProgramUnavailable);
    if (call.header.version == version) return std::nullopt;
    vxi11::XdrWriter versions;
    versions.Put(version);
    versions.Put(version);
    return AcceptedReply(call.header.xid, AcceptStatus::kProgramMismatch, versions.Take());
  }

  vxi11::Bytes CoreReply(const ParsedCall& call, int number, size_t& busBytes) {
    if (auto mismatch = Mismatch(call, vxi11::kDeviceCore, vxi11::kDeviceCoreVersion))
      return *mismatch;
    DeviceLinks::Notes notes;
    const auto results = links_.Serve(number, call.header.procedure, call.arguments, notes);
    busBytes = notes.busBytes;
    if (!results) return AcceptedReply(call.header.xid, AcceptStatus::kProcedureUnavailable);
    if (notes.garbage) return AcceptedReply(call.header.xid, AcceptStatus::kGarbageArguments);
    return AcceptedReply(call.header.xid, AcceptStatus::kSuccess, *results);
  }

  vxi11::Bytes PortmapperReply(const ParsedCall& call) const {
    if (auto mismatch = Mismatch(call, vxi11::kPortmapper, vxi11::kPortmapperVersion))
      return *mismatch;
    if (call.header.procedure == 0) return AcceptedReply(call.header.xid, AcceptStatus::kSuccess);
    vxi11::Mapping mapping;
    if (call.header.procedure != vxi11::kGetPort)
      return AcceptedReply(call.header.xid, AcceptStatus::kProcedureUnavailable);
    if (!vxi11::Decode(call.arguments, mapping))
      return AcceptedReply(call.header.xid, AcceptStatus::kGarbageArguments);
    const bool core = mapping.program == vxi11::kDeviceCore &&
                      mapping.version == vxi11::kDeviceCoreVersion &&
                      mapping.protocol == vxi11::kTcpProtocol;
    return AcceptedReply(call.header.xid, AcceptStatus::kSuccess,
                         vxi11::Encode(vxi11::PortResp{.port = core ? corePort : 0u}));
  }

  // Holds a reply back until the pace allows the bytes it read from the bus, as a bus of that
  // speed would, the transfer starting when the call arrived. Short replies may run up to
  // kPaceSlack ahead of the pace rather than each oversleep its few microseconds; a pause
  // longer than that starts the pace afresh.
  void Pace(size_t bytes, Clock::time_point arrived, Clock::time_point& nextFree) const {
    if (options_.bytesPerSecond <= 0.0 || bytes == 0) return;
    const auto now = Clock::now();
    if (nextFree + kPaceSlack < arrived) nextFree = arrived;
    nextFree += std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) / options_.bytesPerSecond));
    if (nextFree > now + kPaceSlack) std::this_thread::sleep_until(nextFree);
  }

  const ServerOptions& options_;
  DeviceLinks links_;
  std::atomic<bool> stop_ = false;
  std::atomic<size_t> calls_ = 0;
};

}  // namespace

int Serve(Bus& bus, const ServerOptions& options) {
  uint16_t portmapperPort = 0;
  uint16_t corePort = 0;
  const FileDescriptor portmapper(Listener(portmapperPort));
  const FileDescriptor core(Listener(corePort));
  if (portmapper.get() < 0 || core.get() < 0) {
    std::perror("gateway emulator: 127.0.0.1");
    return 1;
  }
  std::printf("portmapper 127.0.0.1:%u core 127.0.0.1:%u\n", portmapperPort, corePort);
  std::fflush(stdout);

  // Threads outlive this function at most until the process ends: a connection's thread
  // may be waiting out an io_timeout its client asked for.
  static Server* server = new Server(bus, options);
  server->corePort = corePort;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options.lifetimeSeconds));
  int connections = 0;
  while (Clock::now() < end) {
    std::array<pollfd, 2> listening{pollfd{.fd = portmapper.get(), .events = POLLIN, .revents = 0},
                                    pollfd{.fd = core.get(), .events = POLLIN, .revents = 0}};
    if (poll(listening.data(), listening.size(), kPollMilliseconds) <= 0) continue;
    for (const pollfd& ready : listening) {
      if ((ready.revents & POLLIN) == 0) continue;
      const int fd = accept4(ready.fd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      const int yes = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
      if (ready.fd == core.get()) {
        std::thread([fd, number = ++connections] { server->ServeCore(fd, number); }).detach();
      } else {
        std::thread([fd] { server->ServePortmapper(fd); }).detach();
      }
    }
  }
  server->Stop();
  return 0;
}

}  // namespace gpibsim::gateway
