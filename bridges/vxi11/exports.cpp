// The GPIB library's 22 names over a VXI-11 gateway (common/controller_exports): the gateway
// named by the configuration, reached on the first call that needs it.
#include <cstdio>

#include "controller_exports.h"
#include "gateway.h"
#include "vxi11_config.h"

namespace gpib_bridge {

Controller* TheController() {
  const auto& config = vxi11::LoadedConfig();
  if (!config) return nullptr;
  static vxi11::Gateway gateway({.host = config->host,
                                 .port = config->port,
                                 .portmapperPort = config->portmapperPort,
                                 .interfaceName = config->interfaceName,
                                 .pollTimeout = std::chrono::milliseconds(config->pollTimeoutMs)});
  return &gateway;
}

std::optional<BusAddress> DeviceNamed(const char* name) {
  const auto& config = vxi11::LoadedConfig();
  if (!config) return std::nullopt;
  const auto address = config->Device(name);
  if (!address) {
    std::fprintf(stderr, "libgpib-32 (vxi11): no device named \"%s\" in %s\n", name,
                 config->path.c_str());
  }
  return address;
}

}  // namespace gpib_bridge
