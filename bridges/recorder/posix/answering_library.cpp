// Loading the library behind the recorder on POSIX: dlopen by its full path.
#include <dlfcn.h>

#include <cstdlib>

#include "answering_library.h"
#include "bind_library.h"

namespace gpib_recorder {

std::optional<GpibEntries> LoadAnsweringLibrary(const std::string& path, std::string& why) {
  // Local, so that its names never answer anybody's lookup but the recorder's.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    why = dlerror();
    return std::nullopt;
  }
  return BindLibrary([handle](const char* name) { return dlsym(handle, name); }, why);
}

void StayLoaded() {
  // Linked with -z nodelete: the loader never unloads it.
}

std::string SystemGpibLibrary() {
  return {};
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

}  // namespace gpib_recorder
