// One acquisition as a simulation host performs it: sizes, arrays, GetData.
#pragma once

#include <cstdint>
#include <optional>

#include "acquiring/device_names.h"
#include "acquiring/module_messages.h"
#include "acquiring/progress_window.h"
#include "acquiring/waveforms.h"
#include "loading/module_loader.h"

namespace scopehost {

struct ArraySizes {
  int32_t points;  // per array
  int16_t arrays;  // time axis included
};

// GetTransProperties reports type 3's problems to the callback of the latest GetData. A
// GetData for an invalid device type records the host's callback and does nothing else, so
// the host makes one first (muted: it has nothing to say) and hears everything after it.
void HandCallbackToModule(const DriverModule& module);

// The array sizes GetTransProperties gives, or nothing when it fails or gives sizes no host
// could allocate (said to note).
std::optional<ArraySizes> AskArraySizes(const DriverModule& module, int32_t type,
                                        const MessageHandler& note);

// Allocates the arrays as sized, calls GetData with a progress window that reports to moved,
// and returns what was delivered; nothing when GetData failed.
std::optional<Waveforms> Acquire(const DriverModule& module, const DeviceKind& device,
                                 ArraySizes sizes, ProgressWindow::Moved moved, void* context);

}  // namespace scopehost
