// Loading libraries on POSIX: dlopen, and the build tree's layout of shared objects.
#include <dlfcn.h>

#include <string>

#include "module_loader.h"
#include "simulator.h"

namespace scopehost {

SharedLibrary::SharedLibrary(const std::filesystem::path& path)
    : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) throw LoadError("cannot load " + path.string() + ": " + dlerror());
}

SharedLibrary::~SharedLibrary() {
  dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const {
  void* address = dlsym(handle_, name);
  if (address == nullptr) {
    throw LoadError(path_.string() + " does not export " + name + "; is it the driver module?");
  }
  return address;
}

const char kModuleFileName[] = "libgpibscope.so";
const char kGpibLibraryFileName[] = "libgpib-32.so";

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : executable.parent_path();
}

}  // namespace scopehost
