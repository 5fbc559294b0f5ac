#include "driver/catalogue.h"

#include <iterator>

#include "instruments/hameg/hameg_driver.h"
#include "instruments/philips/philips_driver.h"
#include "instruments/tektronix/tektronix_driver.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"

namespace {

// The Tektronix is found on the bus first, with a chooser when several answer.
int ScanThenAcquire(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                    const char* searchText) {
  int16_t address = -1;
  if (TektronixScanner(searchText, &address) != 1) return 0;
  // A cancelled chooser is the user's choice, not a bus to lock and read.
  if (address < 0) return 0;
  return TektronixDriver(buffers, points, channels, address);
}

constexpr CatalogueEntry kCatalogue[] = {
    {"Hameg(DEV1) HM408 ", "DEV1", hameg::kHostArrays, nullptr, &HamegDriver},
    {"Hameg(DEV2) HM408 ", "DEV2", hameg::kHostArrays, nullptr, &HamegDriver},
    {"Tektronix TDS540", "TEKTRONIX", tds540::kHostArrays, nullptr, &ScanThenAcquire},
    {"Philips(DEV8) PM3323", "DEV8", {0, 0}, &pm3323::ProbeHostArrays, &PhilipsDriver},
};
static_assert(std::size(kCatalogue) == GPIBSCOPE_DEVICE_TYPES);

}  // namespace

const CatalogueEntry* FindDeviceType(int32_t type) {
  if (type < 0 || type >= GPIBSCOPE_DEVICE_TYPES) return nullptr;
  return &kCatalogue[type];
}
