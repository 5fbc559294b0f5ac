#include "platform/posix/win32_api.h"

#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

const char* MapLibraryName(LPCSTR fileName, char* out, int outSize) {
  const size_t length = std::strlen(fileName);
  const bool isPath = std::strchr(fileName, '/') != nullptr;
  const bool isDll = length > 4 && strcasecmp(fileName + length - 4, ".dll") == 0;
  if (isPath || !isDll) {
    std::snprintf(out, static_cast<size_t>(outSize), "%s", fileName);
  } else {
    std::snprintf(out, static_cast<size_t>(outSize), "lib%.*s.so", static_cast<int>(length - 4),
                  fileName);
  }
  return out;
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr) return nullptr;
  char mapped[4096];
  return dlopen(MapLibraryName(fileName, mapped, sizeof mapped), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) return FALSE;
  return dlclose(module) == 0 ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr || window->windowProc == nullptr) return 0;
  return window->windowProc(window, message, wParam, lParam);
}

int _access(const char* path, int mode) {
  return access(path, mode == 0 ? F_OK : mode);
}
