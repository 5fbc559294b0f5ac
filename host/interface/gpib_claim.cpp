#include "interface/gpib_claim.h"

#include <mutex>

#include "interface/errors.h"

namespace scopehost {

namespace {

std::mutex claimLock;
std::string held;
int holders = 0;

}  // namespace

GpibClaim::GpibClaim(std::string what) : what_(std::move(what)) {
  const std::lock_guard<std::mutex> lock(claimLock);
  if (holders > 0 && held != what_) {
    throw HostError(GPIBSCOPE_ERROR_GPIB_LIBRARY,
                    "this process already uses " + held +
                        "; the module finds its GPIB library by name, so it cannot use " + what_ +
                        " as well: start another process for it");
  }
  held = what_;
  ++holders;
}

GpibClaim::~GpibClaim() {
  const std::lock_guard<std::mutex> lock(claimLock);
  --holders;
}

}  // namespace scopehost
