// The host's language service: names the language resource module the host's user wants.
#pragma once

#include <cstdint>

// On Windows QuenLang70.def names the export.
#ifdef _WIN32
#define QUENLANG_API
#else
#define QUENLANG_API __attribute__((visibility("default")))
#endif

extern "C" {
// Writes the NUL-terminated path of the language resource module into path (pathSize
// bytes), or an empty string. what and name12 are the service's own business.
QUENLANG_API int GetQuenmarLanguage(void* module, int32_t what, char* name12, int32_t pathSize,
                                    char* path);
}
