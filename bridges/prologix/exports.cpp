// The GPIB library's 22 names over a Prologix or AR488 controller (common/controller_exports):
// the controller named by the configuration, reached on the first call that needs it.
#include "config.h"
#include "controller_exports.h"
#include "session.h"

namespace gpib_bridge {

Controller* TheController() {
  const auto& config = prologix::LoadedConfig();
  if (!config) return nullptr;
  static prologix::Session session(
      config->port,
      [&config](prologix::Clock::time_point deadline, std::string& error) {
        return prologix::OpenTransport({.port = config->port, .resetWait = config->resetWait},
                                       deadline, error);
      },
      {}, config->pollTimeoutMs);
  return &session;
}

std::optional<BusAddress> DeviceNamed(const char* name) {
  return DeviceIn(prologix::LoadedConfig(), "prologix", name);
}

}  // namespace gpib_bridge
