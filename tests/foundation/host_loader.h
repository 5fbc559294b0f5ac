// A host as a simulation program is one: it loads libgpibscope.so with dlopen and calls the
// three exports, recording messages and progress messages.
#pragma once

#include <dlfcn.h>

#include <string>
#include <vector>

#include "gpibscope/host.h"

namespace testing_support {

class LoadedModule {
 public:
  explicit LoadedModule(const char* path = GPIBSCOPE_MODULE_PATH)
      : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) return;
    GetDeviceText = reinterpret_cast<GetDeviceTextFn>(dlsym(handle_, "GetDeviceText"));
    GetTransProperties =
        reinterpret_cast<GetTransPropertiesFn>(dlsym(handle_, "GetTransProperties"));
    GetData = reinterpret_cast<GetDataFn>(dlsym(handle_, "GetData"));
  }
  ~LoadedModule() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool loaded() const { return handle_ != nullptr && GetData != nullptr; }

  GetDeviceTextFn GetDeviceText = nullptr;
  GetTransPropertiesFn GetTransProperties = nullptr;
  GetDataFn GetData = nullptr;

 private:
  void* handle_;
};

// Messages and progress, as the host's callback and progress bar receive them.
struct HostWindow {
  HostWindow() {
    hwnd.windowProc = &Proc;
    hwnd.userData = this;
    window.m_hWnd = &hwnd;
  }
  static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    auto* self = static_cast<HostWindow*>(window->userData);
    if (message == PBM_STEPIT) ++self->steps;
    if (message == PBM_SETPOS) self->positions.push_back(static_cast<long>(wParam));
    return 0;
  }
  HWND__ hwnd{};
  CWnd window{};
  int steps = 0;
  std::vector<long> positions;
};

inline std::vector<std::string>& HostMessages() {
  static std::vector<std::string> messages;
  return messages;
}
inline int RecordMessage(void*, const CString* message) {
  HostMessages().emplace_back(message->m_pszData);
  return 0;
}

// True while some part of this process holds the named library.
inline bool LibraryLoaded(const char* name) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

}  // namespace testing_support
