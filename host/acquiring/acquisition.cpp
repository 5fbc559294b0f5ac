#include "acquiring/acquisition.h"

#include <chrono>

#include "acquiring/delivery.h"
#include "acquiring/host_arrays.h"

namespace scopehost {

namespace {

// Far beyond any instrument's record; a larger answer is not worth gigabytes of host memory.
constexpr int32_t kMostPoints = 1 << 22;
constexpr int16_t kMostArrays = 5;
constexpr int32_t kNoDevice = -1;

}  // namespace

void HandCallbackToModule(const DriverModule& module) {
  // No device type: the module sends no progress message, so no window is needed.
  CWnd progress{nullptr};
  WaveformBuffers buffers{};
  int32_t points = 0;
  int16_t channels = 0;
  const ListeningToModule muted(nullptr);
  module.GetData(kNoDevice, &buffers, &points, &channels, &progress, &ForwardModuleMessage);
}

std::optional<ArraySizes> AskArraySizes(const DriverModule& module, int32_t type,
                                        const MessageHandler& note) {
  ArraySizes sizes{0, 0};
  if (module.GetTransProperties(type, &sizes.points, &sizes.arrays) != 1) return std::nullopt;
  if (sizes.points < 1 || sizes.points > kMostPoints || sizes.arrays < 1 ||
      sizes.arrays > kMostArrays) {
    note("the module asks for " + std::to_string(sizes.points) + " points in " +
         std::to_string(sizes.arrays) + " arrays; that is no size a host allocates");
    return std::nullopt;
  }
  return sizes;
}

std::optional<Waveforms> Acquire(const DriverModule& module, const DeviceKind& device,
                                 ArraySizes sizes, ProgressWindow::Moved moved, void* context) {
  HostArrays arrays(sizes.points, sizes.arrays);
  ReportedCounts reported;
  // The Tektronix driver reads how many arrays the host provides; the others may write it.
  if (device.type == kTektronixType) reported.arrays = arrays.count();

  const auto acquiredAt = std::chrono::system_clock::now();
  const auto started = std::chrono::steady_clock::now();
  int32_t result = 0;
  {
    ProgressWindow progress(device.progressSteps, moved, context);
    result = module.GetData(device.type, arrays.buffers(), &reported.points, &reported.arrays,
                            progress.window(), &ForwardModuleMessage);
  }
  const std::chrono::duration<double> duration = std::chrono::steady_clock::now() - started;
  if (result != 1) return std::nullopt;

  Waveforms waveforms = Delivered(arrays, device.type, reported);
  waveforms.deviceName = module.DisplayName(device.type);
  waveforms.acquiredAt = acquiredAt;
  waveforms.durationSeconds = duration.count();
  return waveforms;
}

}  // namespace scopehost
