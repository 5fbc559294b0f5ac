#include "tcp_connect.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "fd_wait.h"

namespace gpib_bridge {

namespace {

int Failed(int fd, std::string& error, std::string what) {
  error = std::move(what);
  close(fd);
  return -1;
}

int ConnectTo(const addrinfo& address, std::chrono::steady_clock::time_point deadline,
              std::string_view noAnswer, std::string& error) {
  const int fd = socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("no socket: ") + std::strerror(errno);
    return -1;
  }
  const int yes = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  int status = 0;
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
    status = errno;
  } else if (!WaitReady(fd, POLLOUT, deadline)) {
    return Failed(fd, error, std::string(noAnswer));
  } else {
    socklen_t length = sizeof status;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &length);
  }
  if (status == 0) return fd;
  return Failed(fd, error, std::string("cannot connect: ") + std::strerror(status));
}

}  // namespace

int ConnectTcp(const std::string& host, const std::string& service,
               std::chrono::steady_clock::time_point deadline, std::string_view noAnswer,
               std::string& error) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) {
    error = "cannot resolve " + host + ": " + gai_strerror(status);
    return -1;
  }
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);
  error = "no address for " + host;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    if (const int fd = ConnectTo(*address, deadline, noAnswer, error); fd >= 0) return fd;
  }
  return -1;
}

}  // namespace gpib_bridge
