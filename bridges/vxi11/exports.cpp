// The GPIB library's 22 names over a VXI-11 gateway (common/controller_exports): the gateway
// named by the configuration, reached on the first call that needs it.
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
                                 .pollTimeout = std::chrono::milliseconds(config->pollTimeoutMs),
                                 .scanSecondary = config->scanSecondary});
  return &gateway;
}

std::optional<BusAddress> DeviceNamed(const char* name) {
  return DeviceIn(vxi11::LoadedConfig(), "vxi11", name);
}

}  // namespace gpib_bridge
