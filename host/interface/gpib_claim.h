// One GPIB library per process: the module binds "libgpib-32.so" by name, so the first library
// loaded (with its recorder or replay) answers every later call. A claim names what a session
// uses; a different claim is refused while any other is held.
#pragma once

#include <string>

namespace scopehost {

class GpibClaim {
 public:
  // Throws HostError (GPIBSCOPE_ERROR_GPIB_LIBRARY) while another GPIB library is held.
  explicit GpibClaim(const std::string& what);
  ~GpibClaim();
  GpibClaim(const GpibClaim&) = delete;
  GpibClaim& operator=(const GpibClaim&) = delete;
};

}  // namespace scopehost
