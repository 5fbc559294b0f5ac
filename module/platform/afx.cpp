#include "platform/afx.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

char* CopyText(const char* text, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

AFX_MODULE_STATE moduleState;
CDynLinkLibrary* dynLinkLibraries = nullptr;

}  // namespace

CString::CString() : m_pszData(CopyText("", 0)) {}
CString::CString(const char* text)
    : m_pszData(CopyText(text ? text : "", text ? std::strlen(text) : 0)) {}
CString::CString(const CString& other) : CString(other.m_pszData) {}
CString& CString::operator=(const CString& other) {
  if (this != &other) Assign(other.m_pszData, std::strlen(other.m_pszData));
  return *this;
}
CString::~CString() {
  std::free(m_pszData);
}

void CString::Assign(const char* text, size_t length) {
  char* copy = CopyText(text, length);
  std::free(m_pszData);
  m_pszData = copy;
}

BOOL CString::LoadString(UINT id) {
  const char* text = AfxFindStringResource(AfxGetResourceHandle(), id);
  Assign(text ? text : "", text ? std::strlen(text) : 0);
  return text != nullptr ? TRUE : FALSE;
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list sizing;
  va_copy(sizing, args);
  const int length = std::vsnprintf(nullptr, 0, format, sizing);
  va_end(sizing);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  Assign(text.data(), text.size());
}

void AfxFormatString1(CString& result, UINT id, const char* argument) {
  CString format;
  format.LoadString(id);
  std::string text(static_cast<const char*>(format));
  const std::string replacement = argument ? argument : "";
  for (size_t at = text.find("%1"); at != std::string::npos;
       at = text.find("%1", at + replacement.size())) {
    text.replace(at, 2, replacement);
  }
  result = CString(text.c_str());
}

namespace {
// The framework frees its chain of extension modules when it is unloaded, as MFC does at
// process end; the modules themselves never delete their CDynLinkLibrary.
struct ChainCleanup {
  ~ChainCleanup() {
    while (dynLinkLibraries != nullptr) {
      CDynLinkLibrary* next = dynLinkLibraries->m_pNextDLL;
      delete dynLinkLibraries;
      dynLinkLibraries = next;
    }
  }
} chainCleanup;
}  // namespace

HINSTANCE AfxFindResourceHandle(UINT dialogId) {
  if (AfxHasDialogTemplate(AfxGetResourceHandle(), dialogId)) return AfxGetResourceHandle();
  for (CDynLinkLibrary* library = dynLinkLibraries; library != nullptr;
       library = library->m_pNextDLL) {
    if (AfxHasDialogTemplate(library->m_hResource, dialogId)) return library->m_hResource;
  }
  return nullptr;
}

AFX_MODULE_STATE* AfxGetModuleState() {
  return &moduleState;
}
HINSTANCE AfxGetResourceHandle() {
  return moduleState.m_hCurrentResourceHandle;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE module) {
  if (state.bInitialized) return TRUE;
  state.hResource = module;
  state.bInitialized = TRUE;
  return TRUE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL /*system*/)
    : m_hResource(state.hResource), m_pNextDLL(dynLinkLibraries) {
  dynLinkLibraries = this;
}
