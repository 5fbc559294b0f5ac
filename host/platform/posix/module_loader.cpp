// Loading libraries on POSIX: dlopen, and the names and place of the files scopehost loads.
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

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : executable.parent_path();
}

}  // namespace scopehost
