#include "config.h"

#include <toml++/toml.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bridge.h"

namespace prologix {

namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// A key's problem, located at its line.
struct ConfigError {
  ConfigError(const toml::node* node, std::string problem)
      : line(node != nullptr && node->source().begin ? node->source().begin.line : 0),
        what(std::move(problem)) {}
  uint32_t line;
  std::string what;
};

std::optional<int32_t> IntegerIn(const toml::node* node, int32_t low, int32_t high) {
  if (node == nullptr || !node->is_integer()) return std::nullopt;
  const int64_t value = node->as_integer()->get();
  if (value < low || value > high) return std::nullopt;
  return static_cast<int32_t>(value);
}

Address AddressOf(const std::string& name, const toml::node& node) {
  if (const auto pad = IntegerIn(&node, 0, kLastPrimaryAddress)) return {*pad, 0};
  const toml::table* table = node.as_table();
  if (table == nullptr)
    throw ConfigError(&node, name + " must be a primary address 0 to 30 or { pad = P, sad = S }");
  for (const auto& [key, value] : *table) {
    if (key != "pad" && key != "sad")
      throw ConfigError(&value, name + ": unknown key \"" + std::string(key.str()) + "\"");
  }
  const auto pad = IntegerIn(table->get("pad"), 0, kLastPrimaryAddress);
  if (!pad) throw ConfigError(&node, name + ".pad must be a primary address 0 to 30");
  const toml::node* sadNode = table->get("sad");
  const auto sad =
      sadNode == nullptr ? std::optional(0) : IntegerIn(sadNode, 0, kLastSecondaryAddress);
  if (!sad || !ValidSecondaryAddress(*sad))
    throw ConfigError(sadNode, name + ".sad must be 0 (none) or 96 to 126");
  return {*pad, *sad};
}

Config Build(const toml::table& root, const std::string& path) {
  Config config;
  config.path = path;
  for (const auto& [key, value] : root) {
    if (key != "controller" && key != "devices")
      throw ConfigError(&value, "unknown table \"" + std::string(key.str()) + "\"");
  }
  const toml::table* controller = root["controller"].as_table();
  if (controller == nullptr) throw ConfigError(&root, "no [controller] table with its port");
  for (const auto& [key, value] : *controller) {
    if (key == "port") {
      const auto* port = value.as_string();
      if (port == nullptr || port->get().empty())
        throw ConfigError(&value, "port must be \"tcp://HOST[:PORT]\" or a serial device path");
      config.port = port->get();
    } else if (key == "reset_wait_ms") {
      const auto wait = IntegerIn(&value, 0, 10000);
      if (!wait) throw ConfigError(&value, "reset_wait_ms must be 0 to 10000");
      config.resetWait = std::chrono::milliseconds(*wait);
    } else if (key == "poll_timeout_ms") {
      const auto poll = IntegerIn(&value, 1, kLongestPollTimeoutMs);
      if (!poll) throw ConfigError(&value, "poll_timeout_ms must be 1 to 300");
      config.pollTimeoutMs = *poll;
    } else {
      throw ConfigError(&value, "unknown key \"" + std::string(key.str()) + "\" in [controller]");
    }
  }
  if (config.port.empty()) throw ConfigError(controller, "[controller] has no port");
  if (const toml::node* devices = root.get("devices")) {
    const toml::table* table = devices->as_table();
    if (table == nullptr) throw ConfigError(devices, "devices must be a table");
    for (const auto& [key, value] : *table) {
      const std::string name(key.str());
      config.devices[Upper(name)] = AddressOf(name, value);
    }
  }
  return config;
}

}  // namespace

std::optional<Address> Config::Device(std::string_view name) const {
  if (const auto found = devices.find(Upper(name)); found != devices.end()) return found->second;
  if (const auto device = gpib_bridge::DefaultDeviceNamed(name)) return Address{device->pad, 0};
  return std::nullopt;
}

std::string ConfigPath() {
  if (const char* path = std::getenv("GPIB32_CONFIG"); path != nullptr && *path != '\0')
    return path;
  if (const char* home = std::getenv("XDG_CONFIG_HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/gpibscope/gpib.toml";
  return "/etc/gpibscope/gpib.toml";
}

std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error) {
  try {
    return Build(toml::parse(text, path), path);
  } catch (const toml::parse_error& parse) {
    error = path + ":" + std::to_string(parse.source().begin.line) + ": " +
            std::string(parse.description());
  } catch (const ConfigError& bad) {
    error = path + ":" + (bad.line != 0 ? std::to_string(bad.line) + ":" : "") + " " + bad.what;
  }
  return std::nullopt;
}

const std::optional<Config>& LoadedConfig() {
  static const std::optional<Config> config = [] {
    const std::string path = ConfigPath();
    std::ifstream file(path, std::ios::binary);
    std::string error;
    std::optional<Config> parsed;
    if (!file) {
      error = path + ": cannot read the controller's configuration (set GPIB32_CONFIG)";
    } else {
      std::stringstream text;
      text << file.rdbuf();
      parsed = ParseConfig(text.str(), path, error);
    }
    if (!parsed) std::fprintf(stderr, "libgpib-32 (prologix): %s\n", error.c_str());
    return parsed;
  }();
  return config;
}

}  // namespace prologix
