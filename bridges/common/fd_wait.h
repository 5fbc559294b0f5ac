// Waiting on a POSIX descriptor until a deadline, for the bridges that talk over a socket or
// a serial line.
#pragma once

#include <chrono>

namespace gpib_bridge {

// Waits for events (POLLIN, POLLOUT) on fd; false when the deadline passed first or the wait
// failed.
bool WaitReady(int fd, short events, std::chrono::steady_clock::time_point deadline);

}  // namespace gpib_bridge
