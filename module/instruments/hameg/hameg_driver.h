// Hameg HM408: one memory dump turned into up to two channels and a time axis, or the XY pair.
#pragma once

#include <cstdint>

#include "platform/afx.h"

int HamegDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels,
                const char* deviceName);
