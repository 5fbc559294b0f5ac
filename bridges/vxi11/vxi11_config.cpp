#include "vxi11_config.h"

#include <vector>

#include "messages.h"
#include "ni488/ni488.h"

namespace vxi11 {

namespace {

using gpib_bridge::BusAddress;
using gpib_bridge::ConfigError;
using gpib_bridge::IntegerIn;
using gpib_bridge::Upper;

constexpr std::string_view kSeparator = "::";

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + separator.size());
  }
}

std::string StringOf(const toml::node& value, std::string_view key) {
  const auto* text = value.as_string();
  if (text == nullptr || text->get().empty())
    throw ConfigError(&value, std::string(key) + " must be a non-empty string");
  return text->get();
}

void ReadGateway(const toml::table& gateway, Config& config) {
  for (const auto& [key, value] : gateway) {
    if (key == "host") {
      config.host = StringOf(value, "host");
    } else if (key == "interface") {
      config.interfaceName = StringOf(value, "interface");
    } else if (key == "port" || key == "portmapper_port") {
      const auto port = IntegerIn(&value, 1, 65535);
      if (!port) throw ConfigError(&value, std::string(key.str()) + " must be 1 to 65535");
      if (key == "port")
        config.port = static_cast<uint16_t>(*port);
      else
        config.portmapperPort = static_cast<uint16_t>(*port);
    } else if (key == "poll_timeout_ms") {
      const auto poll = IntegerIn(&value, 1, 1000);
      if (!poll) throw ConfigError(&value, "poll_timeout_ms must be 1 to 1000");
      config.pollTimeoutMs = *poll;
    } else if (key == "scan_secondary") {
      const auto* scan = value.as_boolean();
      if (scan == nullptr) throw ConfigError(&value, "scan_secondary must be true or false");
      config.scanSecondary = scan->get();
    } else {
      throw ConfigError(&value, "unknown key \"" + std::string(key.str()) + "\" in [gateway]");
    }
  }
  if (config.host.empty()) throw ConfigError(&gateway, "[gateway] has no host");
}

BusAddress DeviceOfResource(const Config& config, const std::string& name,
                            const toml::node& value) {
  const std::string text = value.as_string()->get();
  const auto resource = ParseVisaResource(text);
  if (!resource) {
    throw ConfigError(&value, name + ": \"" + text + "\" is no VISA resource TCPIP0::HOST::" +
                                  config.interfaceName + ",PAD[,SAD]::INSTR");
  }
  if (Upper(resource->host) != Upper(config.host) ||
      resource->interfaceName != config.interfaceName) {
    throw ConfigError(&value, name + ": \"" + text + "\" is not on the gateway's " +
                                  config.interfaceName + " at " + config.host);
  }
  return resource->address;
}

}  // namespace

std::optional<VisaResource> ParseVisaResource(std::string_view text) {
  std::vector<std::string_view> parts = Split(text, kSeparator);
  if (parts.size() == 4 && Upper(parts[3]) == "INSTR") parts.pop_back();
  if (parts.size() != 3 || parts[1].empty()) return std::nullopt;
  const std::string board = Upper(parts[0]);
  if (!board.starts_with("TCPIP") || (board != "TCPIP" && !DecimalIn(board.substr(5), 99)))
    return std::nullopt;
  const std::vector<std::string_view> device = Split(parts[2], ",");
  if (device.size() < 2 || device.size() > 3 || device[0].empty()) return std::nullopt;
  const auto pad = DecimalIn(device[1], kLastPrimaryAddress);
  const auto sad =
      device.size() == 3 ? DecimalIn(device[2], kLastPrimaryAddress) : std::optional(-1);
  if (!pad || !sad) return std::nullopt;
  return VisaResource{.host = std::string(parts[1]),
                      .interfaceName = std::string(device[0]),
                      .address = {*pad, *sad < 0 ? 0 : kFirstSecondaryAddress + *sad}};
}

std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error) {
  return gpib_bridge::ParseConfigAs<Config>(
      text, path, error, "gateway", &ReadGateway, &DeviceOfResource,
      " or a VISA resource \"TCPIP0::HOST::gpib0,PAD[,SAD]::INSTR\"");
}

const std::optional<Config>& LoadedConfig() {
  static const std::optional<Config> config =
      gpib_bridge::ReadConfig<Config>("vxi11", &ParseConfig);
  return config;
}

}  // namespace vxi11
