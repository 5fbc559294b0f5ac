// The module's three exports: the device catalogue, the array sizes, and one acquisition.
#include <cstring>

#include "driver/catalogue.h"
#include "driver/module_globals.h"
#include "driver/progress.h"
#include "gpib/gpib_api.h"

namespace {

// A probe runs with the library bound for its length, and is told nothing of a host's window.
bool ProbeSizes(const CatalogueEntry& device, ArraySizes& sizes) {
  int probed = 0;
  try {
    if (LoadGpibApi()) probed = device.probeSizes(device.address, &sizes);
  } catch (...) {
    probed = 0;  // nothing may cross into a host written in C
  }
  UnloadGpibApi();
  return probed == 1;
}

}  // namespace

extern "C" {

GPIBSCOPE_EXPORT char* GetDeviceText(char* buffer, int32_t size, int32_t type) {
  if (buffer == nullptr || size < 2) return nullptr;
  buffer[size - 1] = '\0';
  if (size == 2) return nullptr;
  const CatalogueEntry* device = FindDeviceType(type);
  if (device == nullptr) {
    buffer[0] = '\0';
    return nullptr;
  }
  // strncpy with size - 2: buffer[size - 2] is never written.
  std::strncpy(buffer, device->displayName, static_cast<size_t>(size - 2));
  return buffer;
}

GPIBSCOPE_EXPORT int32_t GetTransProperties(int32_t type, int32_t* points, int16_t* channels) {
  const CatalogueEntry* device = FindDeviceType(type);
  if (device == nullptr) return 0;
  ArraySizes sizes = device->sizes;
  if (device->probeSizes != nullptr && !ProbeSizes(*device, sizes)) return 0;
  *points = sizes.points;
  *channels = sizes.arrays;
  return 1;
}

GPIBSCOPE_EXPORT int32_t GetData(int32_t type, WaveformBuffers* buffers, int32_t* points,
                                 int16_t* channels, CWnd* progress, MessageCallback callback) {
  Module().Callback = callback;
  Module().ProgressWindow = progress;
  int result = 0;
  try {
    const CatalogueEntry* device = FindDeviceType(type);
    if (LoadGpibApi() && device != nullptr) {
      result = device->acquire(buffers, points, channels, device->address);
      if (result == 0) ResetProgress();
    }
  } catch (...) {
    result = 0;  // nothing may cross into a host written in C; the library is still released
  }
  UnloadGpibApi();
  return result;
}

}  // extern "C"
