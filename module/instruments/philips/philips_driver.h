// Philips PM3323: which channels are on (for GetTransProperties) and one acquisition.
#pragma once

#include <cstdint>

#include "platform/afx.h"

// 1 after storing whether channels A and B are both on; 0 on failure.
int PhilipsChannelProbe(bool* bothChannelsOn);
int PhilipsDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                  const char* deviceName);
