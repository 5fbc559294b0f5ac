// The bridge's one file, TOML, found at $GPIB32_CONFIG, else
// $XDG_CONFIG_HOME/gpibscope/gpib.toml, else /etc/gpibscope/gpib.toml:
//
//   [controller]
//   port = "tcp://HOST:1234"          # or "/dev/ttyUSB0"; TCP port 1234 when none is given
//   reset_wait_ms = 2000               # serial only: how long the board takes to start
//                                      # after its port opens (AR488 on an Uno resets)
//   poll_timeout_ms = 100              # Prologix: how long a scan waits for each address to
//                                      # answer its serial poll (1 to 300)
//   [devices]
//   DEV1 = 8                           # primary address
//   DEV8 = { pad = 10, sad = 0 }       # sad 0 (none) or 96 to 126
//
// A device name that is not listed is the default configuration's (DEVn: address n).
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "address.h"
#include "commands.h"

namespace prologix {

struct Config {
  std::string path;
  std::string port;
  std::chrono::milliseconds resetWait{2000};
  int pollTimeoutMs = kPollTimeoutMs;
  std::map<std::string, Address> devices;  // names in upper case

  std::optional<Address> Device(std::string_view name) const;
};

// The file's path by the rule above.
std::string ConfigPath();
// Parses text read from path; on failure error holds "path:line: what is wrong".
std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error);
// The configuration, read once; a missing or malformed file is reported on stderr once and
// gives nullopt from then on.
const std::optional<Config>& LoadedConfig();

}  // namespace prologix
