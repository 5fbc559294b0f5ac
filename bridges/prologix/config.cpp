#include "config.h"

namespace prologix {

namespace {

using gpib_bridge::ConfigError;
using gpib_bridge::IntegerIn;

void ReadController(const toml::table& controller, Config& config) {
  for (const auto& [key, value] : controller) {
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
  if (config.port.empty()) throw ConfigError(&controller, "[controller] has no port");
}

}  // namespace

std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error) {
  return gpib_bridge::ParseConfigAs<Config>(text, path, error, "controller", &ReadController);
}

const std::optional<Config>& LoadedConfig() {
  static const std::optional<Config> config =
      gpib_bridge::ReadConfig<Config>("prologix", &ParseConfig);
  return config;
}

}  // namespace prologix
