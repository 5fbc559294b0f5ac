// Tektronix TDS540: every switched-on channel, in volts, with a time axis.
#pragma once

#include <cstdint>

#include "platform/afx.h"

int TektronixDriver(WaveformBuffers* buffers, int32_t* points, int16_t* channels, int address);
