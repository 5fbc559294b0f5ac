// The Prologix/AR488 bridge's table of gpib.toml (see bridges/common/bridge_config.h):
//
//   [controller]
//   port = "tcp://HOST:1234"          # or "/dev/ttyUSB0"; TCP port 1234 when none is given
//   reset_wait_ms = 2000               # serial only: how long the board takes to start
//                                      # after its port opens (AR488 on an Uno resets)
//   poll_timeout_ms = 100              # Prologix: how long a scan waits for each address to
//                                      # answer its serial poll (1 to 300)
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "address.h"
#include "bridge_config.h"
#include "commands.h"

namespace prologix {

struct Config {
  std::string path;
  std::string port;
  std::chrono::milliseconds resetWait{2000};
  int pollTimeoutMs = kPollTimeoutMs;
  gpib_bridge::DeviceNames devices;

  std::optional<Address> Device(std::string_view name) const { return devices.Find(name); }
};

using gpib_bridge::ConfigPath;
// Parses text read from path; on failure error holds "path:line: what is wrong".
std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error);
// The configuration, read once; a missing or malformed file is reported on stderr once and
// gives nullopt from then on.
const std::optional<Config>& LoadedConfig();

}  // namespace prologix
