// The device types the module serves and how each is acquired.
#pragma once

#include <cstdint>

constexpr int32_t kDeviceTypeCount = 4;

// Display name of a device type, or null for an invalid type.
const char* DeviceDisplayName(int32_t type);
