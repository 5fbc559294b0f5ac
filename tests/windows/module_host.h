// A Windows host of gpibscope.dll for the tests under Wine: the module loaded and bound by the
// host library's loader (LoadLibraryA, GetProcAddress), its real progress-bar control, and a
// callback that keeps the messages.
#pragma once

#include <string>
#include <vector>

#include "acquiring/progress_window.h"
#include "gpibscope/host.h"
#include "support/loaded_module.h"

namespace windows_tests {

// The messages the module reported through the callback, in order.
std::vector<std::string>& Messages();
int GPIBSCOPE_CALL RecordMessage(void* reserved, const CString* message);

// Where the module finds "gpib-32.dll": the given directory, or none of the simulated ones.
void FindGpibLibraryIn(const char* directory);
bool GpibLibraryLoaded();

// The module, with the messages of an earlier one forgotten.
class LoadedModule : public testing_support::LoadedModule {
 public:
  LoadedModule() { Messages().clear(); }
};

// The host's progress-bar control (range 0 to 100, step 1), which a test may also move.
class ProgressBar : public scopehost::ProgressWindow {
 public:
  ProgressBar() : ProgressWindow(100) {}
  void SetPosition(int position);
};

// Host arrays for any device type, and one acquisition into them.
struct Acquisition {
  int32_t result = 0;
  int32_t points = -1;
  int16_t channels = 5;        // what the host provides, for the Tektronix
  std::vector<double> values;  // the five host arrays, one after another
};
Acquisition Acquire(const LoadedModule& module, int32_t type, ProgressBar& progress);

}  // namespace windows_tests
