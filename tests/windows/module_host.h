// A Windows host of gpibscope.dll for the tests under Wine: the module loaded with LoadLibraryA
// and bound with GetProcAddress, a real progress-bar control, and a callback that keeps the
// messages.
#pragma once

#include <string>
#include <vector>

#include "gpibscope/host.h"

namespace windows_tests {

// The messages the module reported through the callback, in order.
std::vector<std::string>& Messages();
int GPIBSCOPE_CALL RecordMessage(void* reserved, const CString* message);

// Where the module finds "gpib-32.dll": the given directory, or none of the simulated ones.
void FindGpibLibraryIn(const char* directory);
bool GpibLibraryLoaded();

class LoadedModule {
 public:
  LoadedModule();
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool loaded() const { return module_ != nullptr; }

  GetDeviceTextFn GetDeviceText = nullptr;
  GetTransPropertiesFn GetTransProperties = nullptr;
  GetDataFn GetData = nullptr;

 private:
  HMODULE module_;
};

// A progress-bar control (range 0 to 100, step 1) under a message-only window.
class ProgressBar {
 public:
  ProgressBar();
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  CWnd* window() { return &window_; }
  int position() const;
  void SetPosition(int position);

 private:
  CWnd window_{};
};

// Host arrays for any device type, and one acquisition into them.
struct Acquisition {
  int32_t result = 0;
  int32_t points = -1;
  int16_t channels = 5;  // what the host provides, for the Tektronix
};
Acquisition Acquire(const LoadedModule& module, int32_t type, ProgressBar& progress);

}  // namespace windows_tests
