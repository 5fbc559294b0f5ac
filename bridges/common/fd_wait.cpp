#include "fd_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace gpib_bridge {

namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 60'000));
}

}  // namespace

bool WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    pollfd poll_fd{.fd = fd, .events = events, .revents = 0};
    const int ready = poll(&poll_fd, 1, MillisecondsUntil(deadline));
    if (ready > 0) return true;
    if (ready == 0 && std::chrono::steady_clock::now() >= deadline) return false;
    if (ready < 0 && errno != EINTR) return false;
  }
}

}  // namespace gpib_bridge
