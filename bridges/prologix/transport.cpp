#include "transport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

#include "fd_wait.h"
#include "tcp_connect.h"

namespace prologix {

namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kDefaultTcpPort = "1234";

using gpib_bridge::WaitReady;

// A non-blocking descriptor, closed with the transport.
class DescriptorTransport : public Transport {
 public:
  DescriptorTransport(int fd, bool socket) : fd_(fd), socket_(socket) {}
  ~DescriptorTransport() override { close(fd_); }

  Result Send(std::span<const uint8_t> bytes, Clock::time_point deadline) override {
    while (!bytes.empty()) {
      if (!WaitReady(fd_, POLLOUT, deadline)) return Result::kTimedOut;
      const ssize_t sent = socket_ ? send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                   : write(fd_, bytes.data(), bytes.size());
      if (sent < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (sent < 0)
        return errno == EPIPE || errno == ECONNRESET ? Result::kClosed : Result::kFailed;
      bytes = bytes.subspan(static_cast<size_t>(sent));
    }
    return Result::kOk;
  }

  Result Receive(Bytes& into, Clock::time_point deadline) override {
    std::array<uint8_t, 65536> buffer;
    for (;;) {
      if (!WaitReady(fd_, POLLIN, deadline)) return Result::kTimedOut;
      const ssize_t received = read(fd_, buffer.data(), buffer.size());
      if (received > 0) {
        into.insert(into.end(), buffer.begin(), buffer.begin() + received);
        return Result::kOk;
      }
      if (received == 0) return Result::kClosed;
      if (errno == EAGAIN || errno == EINTR) continue;
      return errno == ECONNRESET ? Result::kClosed : Result::kFailed;
    }
  }

 private:
  int fd_;
  bool socket_;
};

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

std::unique_ptr<Transport> OpenTcp(std::string_view hostAndPort, Clock::time_point deadline,
                                   std::string& error) {
  const size_t colon = hostAndPort.rfind(':');
  const std::string host(hostAndPort.substr(0, colon));
  const std::string port(colon == std::string_view::npos ? kDefaultTcpPort
                                                         : hostAndPort.substr(colon + 1));
  const int fd = gpib_bridge::ConnectTcp(host, port, deadline,
                                         "no answer to the connection within its time", error);
  if (fd < 0) return nullptr;
  return std::make_unique<DescriptorTransport>(fd, true);
}

std::unique_ptr<Transport> OpenSerial(const std::string& path, std::chrono::milliseconds resetWait,
                                      std::string& error) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = SystemError("cannot open");
    return nullptr;
  }
  auto transport = std::make_unique<DescriptorTransport>(fd, false);
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    error = SystemError("not a serial device");
    return nullptr;
  }
  cfmakeraw(&settings);  // 8 data bits, no parity
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
  settings.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&settings, B115200);
  cfsetospeed(&settings, B115200);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    error = SystemError("cannot set 115200 8N1");
    return nullptr;
  }
  // Boards that reset when their port opens ignore what comes before they have started.
  std::this_thread::sleep_for(resetWait);
  tcflush(fd, TCIOFLUSH);
  return transport;
}

}  // namespace

std::unique_ptr<Transport> OpenTransport(const TransportOptions& options,
                                         Clock::time_point deadline, std::string& error) {
  const std::string_view port = options.port;
  if (port.starts_with(kTcpScheme)) return OpenTcp(port.substr(kTcpScheme.size()), deadline, error);
  return OpenSerial(options.port, options.resetWait, error);
}

}  // namespace prologix
