// The module's three exports: the device catalogue, the array sizes, and one acquisition.
#include <cstring>

#include "driver/catalogue.h"
#include "driver/module_globals.h"
#include "driver/progress.h"
#include "gpib/gpib_api.h"
#include "instruments/hameg/hameg_driver.h"
#include "instruments/philips/philips_driver.h"
#include "instruments/tektronix/tektronix_driver.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"

namespace {

struct CatalogueEntry {
  const char* displayName;
  int32_t points;
  int16_t channels;  // arrays, the time axis included
};

constexpr CatalogueEntry kCatalogue[kDeviceTypeCount] = {
    {"Hameg(DEV1) HM408 ", 4096, 3},
    {"Hameg(DEV2) HM408 ", 4096, 3},
    {"Tektronix TDS540", 20000, 5},
    {"Philips(DEV8) PM3323", 0, 0},  // asked of the instrument
};

constexpr int32_t kPhilipsType = 3;
bool IsValidType(int32_t type) {
  return type >= 0 && type < kDeviceTypeCount;
}

int Acquire(int32_t type, WaveformBuffers* buffers, int32_t* points, int16_t* channels) {
  switch (type) {
    case 0:
      return HamegDriver(buffers, points, channels, "DEV1");
    case 1:
      return HamegDriver(buffers, points, channels, "DEV2");
    case 2: {
      int16_t address = -1;
      if (TektronixScanner("TEKTRONIX", &address) != 1) return 0;
      // A cancelled chooser is the user's choice, not a bus to lock and read.
      if (address < 0) return 0;
      return TektronixDriver(buffers, points, channels, address);
    }
    case 3:
      return PhilipsDriver(buffers, points, channels, "DEV8");
  }
  return 0;
}

}  // namespace

const char* DeviceDisplayName(int32_t type) {
  return IsValidType(type) ? kCatalogue[type].displayName : nullptr;
}

extern "C" {

GPIBSCOPE_EXPORT char* GetDeviceText(char* buffer, int32_t size, int32_t type) {
  if (buffer == nullptr || size < 2) return nullptr;
  buffer[size - 1] = '\0';
  if (size == 2) return nullptr;
  if (!IsValidType(type)) {
    buffer[0] = '\0';
    return nullptr;
  }
  // strncpy with size - 2: buffer[size - 2] is never written.
  std::strncpy(buffer, kCatalogue[type].displayName, static_cast<size_t>(size - 2));
  return buffer;
}

GPIBSCOPE_EXPORT int32_t GetTransProperties(int32_t type, int32_t* points, int16_t* channels) {
  if (!IsValidType(type)) return 0;
  if (type != kPhilipsType) {
    *points = kCatalogue[type].points;
    *channels = kCatalogue[type].channels;
    return 1;
  }
  bool bothChannelsOn = false;
  int probed = 0;
  try {
    if (LoadGpibApi()) probed = PhilipsChannelProbe(&bothChannelsOn);
  } catch (...) {
    probed = 0;  // nothing may cross into a host written in C
  }
  UnloadGpibApi();
  if (probed != 1) return 0;
  *points = bothChannelsOn ? 2048 : 4096;
  *channels = bothChannelsOn ? 3 : 2;
  return 1;
}

GPIBSCOPE_EXPORT int32_t GetData(int32_t type, WaveformBuffers* buffers, int32_t* points,
                                 int16_t* channels, CWnd* progress, MessageCallback callback) {
  Module().Callback = callback;
  Module().ProgressWindow = progress;
  int result = 0;
  try {
    if (LoadGpibApi() && IsValidType(type)) {
      result = Acquire(type, buffers, points, channels);
      if (result == 0) ResetProgress();
    }
  } catch (...) {
    result = 0;  // nothing may cross into a host written in C; the library is still released
  }
  UnloadGpibApi();
  return result;
}

}  // extern "C"
