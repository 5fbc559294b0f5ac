// Resource lookup on POSIX: a module's compiled-in tables when it registered them, else the
// string table a language resource module exports.
#include <iterator>

#include "platform/afx.h"
#include "platform/posix/compiled_resources.h"

namespace {

struct Registration {
  HINSTANCE instance;
  const ModuleResources* resources;
};
Registration registrations[8];
int registrationCount = 0;

const ModuleResources* RegisteredResources(HINSTANCE instance) {
  for (int i = 0; i < registrationCount; ++i) {
    if (registrations[i].instance == instance) return registrations[i].resources;
  }
  return nullptr;
}

const char* FindInTable(const StringResource* table, UINT id) {
  for (; table != nullptr && table->text != nullptr; ++table) {
    if (table->id == id) return table->text;
  }
  return nullptr;
}

}  // namespace

void AfxRegisterModuleResources(HINSTANCE instance, const ModuleResources* resources) {
  for (int i = 0; i < registrationCount; ++i) {
    if (registrations[i].instance == instance) {
      registrations[i].resources = resources;
      return;
    }
  }
  if (registrationCount < static_cast<int>(std::size(registrations))) {
    registrations[registrationCount++] = {instance, resources};
  }
}

const char* AfxFindStringResource(HINSTANCE instance, UINT id) {
  if (instance == nullptr) return nullptr;
  if (const ModuleResources* own = RegisteredResources(instance)) {
    return FindInTable(own->strings, id);
  }
  const auto* table =
      static_cast<const StringResource*>(GetProcAddress(instance, "ResourceStringTable"));
  return FindInTable(table, id);
}

const DialogTemplate* AfxFindDialogTemplate(HINSTANCE instance, UINT id) {
  const ModuleResources* resources = RegisteredResources(instance);
  if (resources == nullptr || resources->dialogs == nullptr) return nullptr;
  for (const DialogTemplate* const* dialog = resources->dialogs; *dialog != nullptr; ++dialog) {
    if ((*dialog)->id == id) return *dialog;
  }
  return nullptr;
}

bool AfxHasDialogTemplate(HINSTANCE instance, UINT id) {
  return AfxFindDialogTemplate(instance, id) != nullptr;
}
