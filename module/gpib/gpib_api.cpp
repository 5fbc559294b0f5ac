#include "gpib/gpib_api.h"

#include "driver/messages.h"
#include "resources/resource.h"

GpibApi Gpib;

bool LoadGpibApi() {
  Gpib.library = LoadLibraryA("gpib-32.dll");
  if (Gpib.library != nullptr) {
    const auto lookup = [](const char* name) {
      return reinterpret_cast<void*>(GetProcAddress(Gpib.library, name));
    };
    if (BindGpibEntries(Gpib, lookup, [](const char*) {})) return true;
    FreeLibrary(Gpib.library);
    Gpib.library = nullptr;
  }
  ReportMessage(IDS_GPIB_LIBRARY_MISSING);
  return false;
}

void UnloadGpibApi() {
  FreeLibrary(Gpib.library);
  Gpib.library = nullptr;
}
