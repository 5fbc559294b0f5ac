// The system's side of loading the module on POSIX: find this module's own handle, make its
// compiled-in resources reachable through it, and call DllMain for process attach. (On
// Windows the loader and the resource compiler do this.)
#include <dlfcn.h>

#include "driver/startup.h"
#include "resources/resources.h"

namespace {

HINSTANCE ThisModule() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ThisModule), &info) == 0) return nullptr;
  // The handle only names the module; the extra reference is given back at once so the
  // host can still unload it.
  HINSTANCE self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (self != nullptr) dlclose(self);
  return self;
}

__attribute__((constructor)) void OnProcessAttach() {
  HINSTANCE self = ThisModule();
  AfxRegisterModuleResources(self, &kModuleResources);
  DllMain(self, DLL_PROCESS_ATTACH, nullptr);
}

}  // namespace
