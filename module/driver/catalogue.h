// The device types the module serves: one row per type, read by all three exports.
#pragma once

#include <cstdint>

#include "driver/array_sizes.h"
#include "platform/afx.h"

// The routine every instrument family acquires with, named in the row of its device type.
using AcquisitionRoutine = int (*)(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                                   const char* address);
// Asks the instrument what the host must provide; 1 after storing it, 0 after reporting why not.
using ArraySizesProbe = int (*)(const char* address, ArraySizes* sizes);

struct CatalogueEntry {
  const char* displayName;  // for GetDeviceText
  // The configured device name, or the identification prefix the bus scan looks for.
  const char* address;
  ArraySizes sizes;            // fixed answer of GetTransProperties, unless probed
  ArraySizesProbe probeSizes;  // null when the sizes are fixed
  AcquisitionRoutine acquire;  // for GetData
};

// The row of a device type, or null for an invalid type.
const CatalogueEntry* FindDeviceType(int32_t type);
