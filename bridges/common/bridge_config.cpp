#include "bridge_config.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bridge.h"

namespace gpib_bridge {

namespace {

// The tables of every bridge: a file may hold several.
constexpr std::string_view kBridgeTables[] = {"controller", "gateway"};
constexpr std::string_view kDevices = "devices";

bool KnownTable(std::string_view name) {
  if (name == kDevices) return true;
  for (const std::string_view table : kBridgeTables) {
    if (name == table) return true;
  }
  return false;
}

BusAddress AddressOf(const std::string& name, const toml::node& node, const ConfigRules& rules) {
  if (const auto pad = IntegerIn(&node, 0, kLastPrimaryAddress)) return {*pad, 0};
  if (node.is_string() && rules.deviceString) return rules.deviceString(name, node);
  const toml::table* table = node.as_table();
  if (table == nullptr) {
    throw ConfigError(&node, name + " must be a primary address 0 to 30 or { pad = P, sad = S }" +
                                 std::string(rules.deviceStringForm));
  }
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

void Read(const toml::table& root, const ConfigRules& rules, DeviceNames& devices) {
  for (const auto& [key, value] : root) {
    if (!KnownTable(key.str()))
      throw ConfigError(&value, "unknown table \"" + std::string(key.str()) + "\"");
  }
  const toml::table* own = root[rules.table].as_table();
  if (own == nullptr) throw ConfigError(&root, "no [" + std::string(rules.table) + "] table");
  rules.readTable(*own);
  const toml::node* names = root.get(kDevices);
  if (names == nullptr) return;
  const toml::table* table = names->as_table();
  if (table == nullptr) throw ConfigError(names, "devices must be a table");
  for (const auto& [key, value] : *table) {
    const std::string name(key.str());
    devices.byName[Upper(name)] = AddressOf(name, value, rules);
  }
}

}  // namespace

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

ConfigError::ConfigError(const toml::node* node, std::string problem)
    : line(node != nullptr && node->source().begin ? node->source().begin.line : 0),
      what(std::move(problem)) {}

std::optional<int32_t> IntegerIn(const toml::node* node, int32_t low, int32_t high) {
  if (node == nullptr || !node->is_integer()) return std::nullopt;
  const int64_t value = node->as_integer()->get();
  if (value < low || value > high) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<BusAddress> DeviceNames::Find(std::string_view name) const {
  if (const auto found = byName.find(Upper(name)); found != byName.end()) return found->second;
  if (const auto device = DefaultDeviceNamed(name)) return BusAddress{device->pad, 0};
  return std::nullopt;
}

bool ParseConfigText(std::string_view text, const std::string& path, const ConfigRules& rules,
                     DeviceNames& devices, std::string& error) {
  try {
    Read(toml::parse(text, path), rules, devices);
    return true;
  } catch (const toml::parse_error& parse) {
    error = path + ":" + std::to_string(parse.source().begin.line) + ": " +
            std::string(parse.description());
  } catch (const ConfigError& bad) {
    error = path + ":" + (bad.line != 0 ? std::to_string(bad.line) + ":" : "") + " " + bad.what;
  }
  return false;
}

std::string ConfigPath() {
  if (const char* path = std::getenv("GPIB32_CONFIG"); path != nullptr && *path != '\0')
    return path;
  if (const char* home = std::getenv("XDG_CONFIG_HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/gpibscope/gpib.toml";
  return "/etc/gpibscope/gpib.toml";
}

std::optional<std::string> ReadConfigFile(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot read the bridge's configuration (set GPIB32_CONFIG)";
    return std::nullopt;
  }
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace gpib_bridge
