// libgpibscope.so loaded with dlopen and its three exports bound, as a simulation host does.
#pragma once

#include <dlfcn.h>

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

// True while some part of this process holds the named library.
inline bool LibraryLoaded(const char* name) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

}  // namespace testing_support
