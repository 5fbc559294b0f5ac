// The host's language service: names the language resource module the host's user wants.
#pragma once

#include <cstdint>

extern "C" {
// Writes the NUL-terminated path of the language resource module into path (pathSize
// bytes), or an empty string. what and name12 are the service's own business.
__attribute__((visibility("default"))) int GetQuenmarLanguage(void* module, int32_t what,
                                                              char* name12, int32_t pathSize,
                                                              char* path);
}
