// linux-gpib's ibonl(ud, 1) closes a device's descriptor when /etc/gpib.conf lists a device
// before the interface: every later call on it fails with EDVR, and a Hameg or Philips
// acquisition ends in "No Answer" with nothing to say why. The bridge watches the descriptors
// ibfind gave for that case and tells it, with what to change, in one line on standard error.
// Used under the bridge's call lock only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace linux_gpib {

class ClosedDescriptorWatch {
 public:
  // ibfind gave ud for the device name.
  void Found(int32_t ud, std::string_view name);
  // A call on ud ended with ibsta and iberr; the first after ibonl(ud, 1) that finds the
  // descriptor gone (EDVR) is told. online is ibonl's second argument when the call was
  // ibonl: 0 gives the descriptor up.
  void Called(int32_t ud, int32_t ibsta, int32_t iberr, std::optional<int32_t> online = {});

 private:
  std::map<int32_t, std::string> names_;
  std::optional<int32_t> justOnline_;
};

}  // namespace linux_gpib
