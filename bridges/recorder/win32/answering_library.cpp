// Loading the library behind the recorder on Windows: LoadLibraryA by its full path.
#include <windows.h>

#include "answering_library.h"
#include "bind_library.h"

namespace gpib_recorder {

std::optional<GpibEntries> LoadAnsweringLibrary(const std::string& path, std::string& why) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    why = "Windows error " + std::to_string(GetLastError());
    return std::nullopt;
  }
  return BindLibrary(
      [library](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library, name));
      },
      why);
}

void StayLoaded() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCSTR>(&StayLoaded), &self);
}

std::string SystemGpibLibrary() {
  char directory[MAX_PATH];
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(directory, length) + "\\gpib-32.dll";
}

std::string EnvironmentValue(const char* name) {
  char value[4096];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

}  // namespace gpib_recorder
