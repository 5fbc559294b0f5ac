// Loading libraries on Windows: LoadLibraryA, and the names and place of the files a host
// loads.
#include <windows.h>

#include <string>

#include "loading/module_loader.h"

namespace scopehost {

namespace {

std::string LastErrorText() {
  const DWORD error = GetLastError();
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string reason(text, length);
  reason.erase(reason.find_last_not_of("\r\n .") + 1);
  return reason.empty() ? "error " + std::to_string(error) : reason;
}

}  // namespace

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : path_(path), handle_(LoadLibraryA(path.string().c_str())) {
  if (handle_ == nullptr) throw LoadError("cannot load " + path.string() + ": " + LastErrorText());
}

SharedLibrary::~SharedLibrary() {
  FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SharedLibrary::Lookup(const char* name) const {
  // An export is a function or a variable; either way its address.
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

const char kModuleFileName[] = "gpibscope.dll";
const char kGpibLibraryFileName[] = "gpib-32.dll";

std::filesystem::path OwnDirectory() {
  HMODULE self = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  char binary[MAX_PATH] = {};
  if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&OwnDirectory), &self)) {
    return std::filesystem::current_path();
  }
  const DWORD length = GetModuleFileNameA(self, binary, sizeof binary);
  if (length == 0 || length == sizeof binary) return std::filesystem::current_path();
  return std::filesystem::path(binary).parent_path();
}

}  // namespace scopehost
