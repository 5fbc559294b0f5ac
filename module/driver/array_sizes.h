// What a host provides for one acquisition, as GetTransProperties tells it: the points of each
// array and the number of arrays, the time axis included.
#pragma once

#include <cstdint>

struct ArraySizes {
  int32_t points;
  int16_t arrays;  // the time axis included
};
