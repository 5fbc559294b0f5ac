// POSIX stand-ins for the framework (MFC) pieces the module uses: the string class, the
// window object, the module state with its current resource handle, extension-module
// registration and resource lookup. Each does what the module relies on and no more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gpibscope/language_module.h"
#include "platform/win32.h"

// The window object: its only data is the handle, read anew at every message.
class CWnd {
 public:
  HWND m_hWnd = nullptr;
};

// A heap string with one data member, the pointer to its NUL-terminated text, so a host
// can read it through the C view in gpibscope/host.h.
class CString {
 public:
  CString();
  CString(const char* text);  // NOLINT(google-explicit-constructor): framework idiom
  CString(const CString& other);
  CString& operator=(const CString& other);
  ~CString();

  // Loads string resource id through the current resource handle; FALSE (and empty) when
  // that module has no such id.
  BOOL LoadString(UINT id);
  // printf-style formatting of the module's own fixed formats.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  operator const char*() const { return m_pszData; }  // NOLINT(google-explicit-constructor)
  int GetLength() const;
  bool IsEmpty() const { return m_pszData[0] == '\0'; }

 private:
  void Assign(const char* text, size_t length);
  char* m_pszData;
};
static_assert(sizeof(CString) == sizeof(char*), "CString is one pointer, as hosts read it");

// Loads text id through the current resource handle into result and puts argument in place
// of every "%1".
void AfxFormatString1(CString& result, UINT id, const char* argument);

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
// The text of string id in the module behind instance: its compiled-in table when it has
// one, else the ResourceStringTable it exports. Null when there is none.
const char* AfxFindStringResource(HINSTANCE instance, UINT id);
// The dialog template id: searched in the current resource handle first, then along the
// chain of registered extension modules. Null when none has it.
const DialogTemplate* AfxFindDialogTemplate(UINT id);

struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentResourceHandle = nullptr;
};
AFX_MODULE_STATE* AfxGetModuleState();
HINSTANCE AfxGetResourceHandle();

struct AFX_EXTENSION_MODULE {
  BOOL bInitialized = FALSE;
  HMODULE hModule = nullptr;
  HMODULE hResource = nullptr;
};
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);

// Links an extension module into the framework's chain of resource modules. The framework
// owns the object from then on, as MFC does.
class CDynLinkLibrary {
 public:
  CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;
  CDynLinkLibrary* m_pNextDLL;
};
// Head of the chain of extension modules, newest first.
CDynLinkLibrary* AfxGetDynLinkLibraries();
