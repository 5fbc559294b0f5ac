// The framework (MFC) pieces the module uses, on both platforms: the string class, the window
// object, the module state with its current resource handle, extension-module registration and
// the search for a resource along the chain of extension modules. Each does what the module
// relies on and no more; where the text of a resource comes from is the backend's business.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

#if defined(_WIN32)
#define GPIBSCOPE_PRINTF(formatAt, argumentsAt) \
  __attribute__((format(gnu_printf, formatAt, argumentsAt)))
#else
#define GPIBSCOPE_PRINTF(formatAt, argumentsAt) \
  __attribute__((format(printf, formatAt, argumentsAt)))
#endif

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
  // that module has no such id. (On Windows <windows.h> spells it LoadStringA.)
  BOOL LoadString(UINT id);
  // printf-style formatting of the module's own fixed formats.
  void Format(const char* format, ...) GPIBSCOPE_PRINTF(2, 3);

  operator const char*() const { return m_pszData; }  // NOLINT(google-explicit-constructor)

 private:
  void Assign(const char* text, size_t length);
  char* m_pszData;
};
static_assert(sizeof(CString) == sizeof(char*), "CString is one pointer, as hosts read it");

// Loads text id through the current resource handle into result and puts argument in place
// of every "%1".
void AfxFormatString1(CString& result, UINT id, const char* argument);

// The text of string id in the module behind instance, or null when it has none. The text
// stays valid until the next call.
const char* AfxFindStringResource(HINSTANCE instance, UINT id);
// Whether the module behind instance holds dialog template id.
bool AfxHasDialogTemplate(HINSTANCE instance, UINT id);
// The module that holds dialog template id: the current resource handle first, then the
// chain of registered extension modules, newest first. Null when none has it.
HINSTANCE AfxFindResourceHandle(UINT dialogId);

struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentResourceHandle = nullptr;
};
AFX_MODULE_STATE* AfxGetModuleState();
HINSTANCE AfxGetResourceHandle();

struct AFX_EXTENSION_MODULE {
  BOOL bInitialized = FALSE;
  HMODULE hResource = nullptr;
};
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module);

// Links an extension module into the framework's chain of resource modules. The framework
// owns the object from then on, as MFC does. A system library would be searched after the
// others; the module registers none, so the flag changes nothing here.
class CDynLinkLibrary {
 public:
  CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system = FALSE);
  HMODULE m_hResource;
  CDynLinkLibrary* m_pNextDLL;
};
