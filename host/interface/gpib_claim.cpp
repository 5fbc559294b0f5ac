#include "interface/gpib_claim.h"

#include <mutex>

#include "interface/errors.h"

namespace scopehost {

namespace {

std::mutex claimLock;
std::string held;
int holders = 0;

}  // namespace

GpibClaim::GpibClaim(const std::string& what) {
  const std::lock_guard<std::mutex> lock(claimLock);
  if (holders > 0 && held != what) {
    throw HostError(GPIBSCOPE_ERROR_GPIB_LIBRARY,
                    "this process already uses " + held +
                        "; the module finds its GPIB library by name, so it cannot use " + what +
                        " as well: start another process for it");
  }
  held = what;
  ++holders;
}

GpibClaim::~GpibClaim() {
  const std::lock_guard<std::mutex> lock(claimLock);
  --holders;
}

}  // namespace scopehost
