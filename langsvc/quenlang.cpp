// Stand-in for the host's language service: the language resource module is the one
// named by QUENLANG_RESOURCE_MODULE, if any.
#include "langsvc/quenlang.h"

#include <cstdio>
#include <cstdlib>

extern "C" int GetQuenmarLanguage(void* /*module*/, int32_t /*what*/, char* /*name12*/,
                                  int32_t pathSize, char* path) {
  if (path == nullptr || pathSize <= 0) return 0;
  const char* chosen = std::getenv("QUENLANG_RESOURCE_MODULE");
  std::snprintf(path, static_cast<size_t>(pathSize), "%s", chosen ? chosen : "");
  return chosen != nullptr && chosen[0] != '\0';
}
