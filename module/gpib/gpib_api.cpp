#include "gpib/gpib_api.h"

#include "driver/messages.h"
#include "ni488/bound_names.h"
#include "resources/resource.h"

GpibApi Gpib;

namespace {

// Looks one exported name up; a missing name leaves the slot null and the binding incomplete.
template <typename Entry>
void Bind(const char* name, Entry& slot, bool& complete) {
  // Through void*: an entry may be a variable, and Windows types every export as a function.
  slot = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(Gpib.library, name)));
  complete = complete && slot != nullptr;
}

}  // namespace

bool LoadGpibApi() {
  Gpib.library = LoadLibraryA("gpib-32.dll");
  if (Gpib.library != nullptr) {
    // Every name is looked up, in this order, even after one is missing.
    bool complete = true;
#define BIND_VARIABLE(name, member) Bind(#name, Gpib.member, complete);
#define BIND_FUNCTION(name, member, Type) Bind(#name, Gpib.member, complete);
    NI488_STATUS_VARIABLES(BIND_VARIABLE)
    NI488_FUNCTIONS(BIND_FUNCTION, BIND_FUNCTION)
#undef BIND_VARIABLE
#undef BIND_FUNCTION
    if (complete) return true;
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
