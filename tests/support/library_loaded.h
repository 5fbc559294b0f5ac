// Whether a shared library is in this process, as a loader sees it.
#pragma once

#include <dlfcn.h>

namespace testing_support {

// True while some part of this process holds the named library.
inline bool LibraryLoaded(const char* name) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

}  // namespace testing_support
