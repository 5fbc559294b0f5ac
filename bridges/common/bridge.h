// What every libgpib-32.so bridge shares: the status variables the module reads after each
// call, the lock that keeps one call at a time on the controller, and the device names that
// the GPIB library's default configuration knows.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

#include "ni488/ni488.h"

// An exported name of a bridge; the version script keeps everything else local (on Windows,
// where only the recorder is built, its .def file lists the exports).
#ifdef _WIN32
#define GPIB_BRIDGE_API extern "C"
#else
#define GPIB_BRIDGE_API extern "C" __attribute__((visibility("default")))
#endif

// The status variables, 32 bits each, as the module binds them by address.
GPIB_BRIDGE_API int32_t user_ibsta;
GPIB_BRIDGE_API int32_t user_iberr;
GPIB_BRIDGE_API int32_t user_ibcnt;
GPIB_BRIDGE_API int32_t user_ibcntl;

namespace gpib_bridge {

// A device's place on the bus behind the controller.
struct BusAddress {
  int32_t pad = 0;
  int32_t sad = 0;  // 0: none, else 0x60 + n
  bool operator==(const BusAddress&) const = default;
};

// What one call leaves behind. The count may come from a controller library with 64-bit
// counts.
struct CallStatus {
  int32_t ibsta = 0;
  int32_t iberr = 0;
  int64_t count = 0;
};

// Stores status in the four variables (the count saturated to 32 bits, into ibcnt and ibcntl
// alike) and returns its ibsta. Every exported call ends with this.
int32_t Publish(const CallStatus& status);

// A call refused before it reaches the controller: ERR with iberr, nothing transferred.
int32_t PublishFailure(int32_t iberr);

// Held across every exported call: a controller serves one conversation at a time.
std::mutex& CallLock();

// A device name of the default configuration: "DEV1" to "DEV16" (any letter case) is the
// device at primary address n on board 0, without secondary address, with a 10 s time-out.
struct DefaultDevice {
  int32_t board = 0;
  int32_t pad = 0;
  int32_t timeout = T10s;
};
std::optional<DefaultDevice> DefaultDeviceNamed(std::string_view name);

}  // namespace gpib_bridge
