// Resources on POSIX: compiled into a module as tables and reached through its instance handle,
// as a resource compiler would put them into a Windows module. A language resource module is a
// shared library that exports its ResourceStringTable (gpibscope/language_module.h).
#pragma once

#include <cstdint>

#include "gpibscope/language_module.h"
#include "platform/posix/win32_api.h"

// A dialog template as a resource: caption, frame and controls in dialog units.
struct DialogControl {
  const char* windowClass;  // "BUTTON", "LISTBOX"
  const char* text;
  uint16_t id;
  int16_t x, y, cx, cy;
  uint32_t style;
};
struct DialogTemplate {
  uint32_t id;
  const char* caption;
  uint32_t style;
  int16_t x, y, cx, cy;
  const char* fontName;
  uint16_t pointSize;
  const DialogControl* controls;
  int controlCount;
};

// Resources compiled into a module, reached through its instance handle.
struct ModuleResources {
  const StringResource* strings;         // ended by {0, nullptr}
  const DialogTemplate* const* dialogs;  // ended by nullptr; may be null
};

// Makes a module's compiled-in resources reachable through its instance handle.
void AfxRegisterModuleResources(HINSTANCE instance, const ModuleResources* resources);
// Dialog template id of the module behind instance, or null.
const DialogTemplate* AfxFindDialogTemplate(HINSTANCE instance, UINT id);
