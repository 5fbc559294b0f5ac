#include "driver/startup.h"

#include <new>

#include "driver/module_globals.h"
#include "langsvc/quenlang.h"

namespace {

constexpr int32_t kLanguageRequest = 9;
constexpr int32_t kPathSize = 261;

// Asks the host's language service for a language resource module and keeps it when the
// file exists and loads; otherwise messages come from this module's own table.
void ChooseResourceModule(HINSTANCE instance) {
  Module().ResourceModule = instance;
  char name[12] = {};
  char path[kPathSize] = {};  // cleared: a service that writes nothing keeps our own table
  GetQuenmarLanguage(instance, kLanguageRequest, name, kPathSize, path);
  path[kPathSize - 1] = '\0';
  if (_access(path, 0) == 0) {
    if (HINSTANCE language = LoadLibraryA(path)) Module().ResourceModule = language;
  }
}

void ProcessAttach(HINSTANCE instance) {
  Module().Instance = instance;
  AfxInitExtensionModule(Module().ExtensionModule, instance);
  ChooseResourceModule(instance);
  // The framework links the object into its chain of resource modules and keeps it; that is
  // how the chooser dialog's template is found later.
  new (std::nothrow) CDynLinkLibrary(Module().ExtensionModule, FALSE);
}

}  // namespace

ModuleGlobals& Module() {
  static ModuleGlobals globals;
  return globals;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) ProcessAttach(instance);
  return TRUE;
}
