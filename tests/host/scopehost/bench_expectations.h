// What an acquisition from a bench instrument should deliver, worked out from the bench's
// settings: sample times, channel order and each channel's signal within the instrument's
// quantisation.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <toml++/toml.h>

#include "../../../sim/src/bench_signal.h"  // the bench's signals, as the simulator computes them

namespace hosttest {

struct ExpectedColumn {
  std::string heading;  // "ch1 (V)", "X (V)", ...
  gpibsim::Signal signal;
  double tolerance;  // half a converter step, plus the signal's noise
};

struct ExpectedAcquisition {
  size_t points = 0;
  double interval = 0.0;                // seconds from one sample to the next
  bool xyMode = false;                  // the first column is X, not time
  std::vector<ExpectedColumn> columns;  // the columns after the first, in order (XY: Y)
  ExpectedColumn xColumn;               // XY mode only
};

// For device types 0 to 3 as the default bench places them: HM408 "DEV1" and "DEV2", the
// first TDS540, PM3323 "DEV8". Throws std::runtime_error for a bench without the device.
ExpectedAcquisition ExpectFromBench(const toml::table& bench, int type);

}  // namespace hosttest
