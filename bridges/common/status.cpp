#include <algorithm>
#include <limits>

#include "bridge.h"

int32_t user_ibsta = 0;
int32_t user_iberr = 0;
int32_t user_ibcnt = 0;
int32_t user_ibcntl = 0;

namespace gpib_bridge {

int32_t Publish(const CallStatus& status) {
  const int64_t count = std::clamp<int64_t>(status.count, std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max());
  user_ibsta = status.ibsta;
  user_iberr = status.iberr;
  user_ibcnt = static_cast<int32_t>(count);
  user_ibcntl = static_cast<int32_t>(count);
  return status.ibsta;
}

int32_t PublishFailure(int32_t iberr) {
  return Publish({.ibsta = ERR, .iberr = iberr, .count = 0});
}

std::mutex& CallLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace gpib_bridge
