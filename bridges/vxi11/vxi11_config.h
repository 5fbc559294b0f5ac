// The VXI-11 bridge's table of gpib.toml (see bridges/common/bridge_config.h):
//
//   [gateway]
//   host = "gpib-gateway.lab"  # the gateway's name or address
//   port = 1024                # optional: the core channel's port; without it the gateway's
//                              # portmapper is asked
//   portmapper_port = 111      # optional: where that portmapper listens
//   interface = "gpib0"        # optional: the gateway's name of its GPIB interface
//   poll_timeout_ms = 100      # a scan without device_docmd: how long each address may take
//                              # to answer its serial poll (1 to 1000)
//   scan_secondary = false     # a scan with device_docmd also asks the 31 secondary
//                              # addresses of each silent primary address
//   [devices]
//   scope = "TCPIP0::gpib-gateway.lab::gpib0,5::INSTR"   # a VISA resource of this gateway
//   dmm = "TCPIP::gpib-gateway.lab::gpib0,9,3::INSTR"    # secondary address 3 (sad 99)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bridge_config.h"

namespace vxi11 {

constexpr uint16_t kPortmapperPort = 111;

struct Config {
  std::string path;
  std::string host;
  std::optional<uint16_t> port;
  uint16_t portmapperPort = kPortmapperPort;
  std::string interfaceName = "gpib0";
  int pollTimeoutMs = 100;
  bool scanSecondary = false;
  gpib_bridge::DeviceNames devices;

  std::optional<gpib_bridge::BusAddress> Device(std::string_view name) const {
    return devices.Find(name);
  }
};

// "TCPIP[n]::HOST::INTERFACE,PAD[,SAD][::INSTR]", the secondary address 0 to 30 as VXI-11.2
// writes it.
struct VisaResource {
  std::string host;
  std::string interfaceName;
  gpib_bridge::BusAddress address;
};
std::optional<VisaResource> ParseVisaResource(std::string_view text);

// Parses text read from path; on failure error holds "path:line: what is wrong".
std::optional<Config> ParseConfig(std::string_view text, const std::string& path,
                                  std::string& error);
// The configuration, read once; a missing or malformed file is reported on stderr once.
const std::optional<Config>& LoadedConfig();

}  // namespace vxi11
