// A language module that carries only some of the module's messages.
#include <cstdint>

struct StringResource {
  uint32_t id;
  const char* text;
};

extern "C" __attribute__((visibility("default"))) const StringResource ResourceStringTable[] = {
    {5, "Pas de réponse"},
    {0, nullptr},
};
