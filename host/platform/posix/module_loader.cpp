// Loading libraries on POSIX: dlopen, and the names and place of the files a host loads.
#include <dlfcn.h>

#include <string>

#include "loading/module_loader.h"

namespace scopehost {

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) throw LoadError("cannot load " + path.string() + ": " + dlerror());
}

SharedLibrary::~SharedLibrary() {
  dlclose(handle_);
}

void* SharedLibrary::Lookup(const char* name) const {
  return dlsym(handle_, name);
}

const char kModuleFileName[] = "libgpibscope.so";
const char kGpibLibraryFileName[] = "libgpib-32.so";

std::filesystem::path OwnDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnDirectory), &info) == 0 || info.dli_fname == nullptr) {
    return std::filesystem::current_path();
  }
  std::error_code error;
  const std::filesystem::path binary = std::filesystem::canonical(info.dli_fname, error);
  return error ? std::filesystem::current_path() : binary.parent_path();
}

}  // namespace scopehost
