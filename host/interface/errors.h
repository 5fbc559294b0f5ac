// How the C interface turns the host library's exceptions into statuses with their text: no
// exception leaves a call.
#pragma once

#include <stdexcept>
#include <string>

#include "gpibscope/host_library.h"

struct gpibscope_error {
  gpibscope_status status;
  std::string text;
};

namespace scopehost {

// A failure whose status the interface tells; what() is its one line.
class HostError : public std::runtime_error {
 public:
  HostError(gpibscope_status status, const std::string& text)
      : std::runtime_error(text), status_(status) {}
  gpibscope_status status() const { return status_; }

 private:
  gpibscope_status status_;
};

// The status of the exception being handled, and its text.
gpibscope_status Report(gpibscope_error** error, gpibscope_status loadStatus);

// Runs body; returns GPIBSCOPE_OK, or the status of what it threw with *error set. A library
// that cannot be loaded counts as loadStatus.
template <typename Body>
gpibscope_status Guarded(gpibscope_error** error, gpibscope_status loadStatus, Body&& body) {
  try {
    body();
    return GPIBSCOPE_OK;
  } catch (...) {
    return Report(error, loadStatus);
  }
}

// A null pointer where the caller must give one.
void Require(const void* pointer, const char* what);

}  // namespace scopehost
