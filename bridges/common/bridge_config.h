// The bridges' one configuration file, gpib.toml, found at $GPIB32_CONFIG, else
// $XDG_CONFIG_HOME/gpibscope/gpib.toml, else /etc/gpibscope/gpib.toml. Each bridge reads its
// own table ([controller] for a Prologix/AR488 controller, [gateway] for a VXI-11 gateway)
// and lets the other's be, so that one file can serve both; [devices] names addresses:
//
//   [devices]
//   DEV1 = 8                           # primary address
//   DEV8 = { pad = 10, sad = 96 }      # sad 0 (none) or 96 to 126
//
// A device name that is not listed is the default configuration's (DEVn: address n).
// Mistakes are told with the file's path and the line.
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "bridge.h"

namespace gpib_bridge {

// A value's problem, located at its line; thrown while a table is read.
struct ConfigError {
  ConfigError(const toml::node* node, std::string problem);
  uint32_t line;
  std::string what;
};

std::optional<int32_t> IntegerIn(const toml::node* node, int32_t low, int32_t high);

// ASCII letters in upper case, for names compared without regard to case.
std::string Upper(std::string_view text);

// The names of [devices], in upper case.
struct DeviceNames {
  std::map<std::string, BusAddress> byName;
  // A configured name, else a default one.
  std::optional<BusAddress> Find(std::string_view name) const;
};

// What one bridge makes of the file.
struct ConfigRules {
  std::string_view table;                             // its own table, which must be there
  std::function<void(const toml::table&)> readTable;  // throws ConfigError
  // A device given as a string (unset: strings are no addresses); throws ConfigError.
  std::function<BusAddress(const std::string& name, const toml::node& value)> deviceString;
  std::string_view deviceStringForm;  // how such a string looks, for the error message
};

// Parses text read from path; false with error "path:line: what is wrong".
bool ParseConfigText(std::string_view text, const std::string& path, const ConfigRules& rules,
                     DeviceNames& devices, std::string& error);

// A Config parsed from text read from path: its path, its [devices], and its own table, which
// readTable reads (throwing ConfigError). A device given as a string is deviceString's (none:
// strings are no addresses), told as deviceStringForm when it is wrong. Else nullopt with
// error "path:line: what is wrong".
template <typename Config>
std::optional<Config> ParseConfigAs(std::string_view text, const std::string& path,
                                    std::string& error, std::string_view table,
                                    void (*readTable)(const toml::table&, Config&),
                                    BusAddress (*deviceString)(const Config&, const std::string&,
                                                               const toml::node&) = nullptr,
                                    std::string_view deviceStringForm = {}) {
  Config config;
  config.path = path;
  ConfigRules rules{.table = table,
                    .readTable = [&](const toml::table& own) { readTable(own, config); },
                    .deviceString = {},
                    .deviceStringForm = deviceStringForm};
  if (deviceString != nullptr) {
    rules.deviceString = [&](const std::string& name, const toml::node& value) {
      return deviceString(config, name, value);
    };
  }
  if (!ParseConfigText(text, path, rules, config.devices, error)) return std::nullopt;
  return config;
}

std::string ConfigPath();

// The file's text, or nullopt with error set.
std::optional<std::string> ReadConfigFile(const std::string& path, std::string& error);

// The configuration, read from ConfigPath() by parse (text, path, error); a missing or
// malformed file is reported on stderr as the bridge's one line.
template <typename Config, typename Parse>
std::optional<Config> ReadConfig(const char* bridge, Parse parse) {
  const std::string path = ConfigPath();
  std::string error;
  std::optional<Config> config;
  if (const auto text = ReadConfigFile(path, error)) config = parse(*text, path, error);
  if (!config) std::fprintf(stderr, "libgpib-32 (%s): %s\n", bridge, error.c_str());
  return config;
}

// The address name has in a loaded configuration (none when there is none, already told); a
// name it does not know is told on stderr as the bridge's line.
template <typename Config>
std::optional<BusAddress> DeviceIn(const std::optional<Config>& config, const char* bridge,
                                   const char* name) {
  if (!config) return std::nullopt;
  const auto address = config->Device(name);
  if (!address) {
    std::fprintf(stderr, "libgpib-32 (%s): no device named \"%s\" in %s\n", bridge, name,
                 config->path.c_str());
  }
  return address;
}

}  // namespace gpib_bridge
