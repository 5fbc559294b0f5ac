#include "instruments/philips/philips_driver.h"

// Not built yet: the probe and the acquisition fail rather than pretend.
int PhilipsChannelProbe(bool*) {
  return 0;
}
int PhilipsDriver(WaveformBuffers*, int32_t*, int16_t*, const char*) {
  return 0;
}
