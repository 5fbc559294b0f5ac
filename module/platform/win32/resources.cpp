// Resources on Windows: the string tables and dialog templates that windres compiled into the
// module and into each language resource module.
#include "platform/afx.h"

namespace {
// Longer than any message of the string table.
char loadedText[1024];
}  // namespace

const char* AfxFindStringResource(HINSTANCE instance, UINT id) {
  if (instance == nullptr) return nullptr;
  const int length = LoadStringA(instance, id, loadedText, sizeof loadedText);
  return length > 0 ? loadedText : nullptr;
}

bool AfxHasDialogTemplate(HINSTANCE instance, UINT id) {
  return instance != nullptr && FindResourceA(instance, MAKEINTRESOURCEA(id), RT_DIALOG) != nullptr;
}
