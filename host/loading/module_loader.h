// Loading shared libraries by path, as a simulation host loads the driver module.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#include "gpibscope/host.h"

namespace scopehost {

// A library that cannot be loaded or lacks an export; what() says which and why.
class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One dlopen reference, held for the life of the object.
class SharedLibrary {
 public:
  // Loads path with RTLD_NOW; throws LoadError with the loader's reason.
  explicit SharedLibrary(const std::filesystem::path& path);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // The address of an exported name; throws LoadError when it is missing.
  void* Symbol(const char* name) const;
  const std::filesystem::path& path() const { return path_; }

 private:
  // The address of an exported name, or null: the platform's lookup.
  void* Lookup(const char* name) const;

  std::filesystem::path path_;
  void* handle_;
};

// The file names of the driver module and of a GPIB library on this platform.
extern const char kModuleFileName[];
extern const char kGpibLibraryFileName[];

// The directory of the executable or shared library this code was linked into (the working
// directory when it cannot be told): what came with it is found from there.
std::filesystem::path OwnDirectory();

// The driver module and its three exports.
class DriverModule {
 public:
  explicit DriverModule(const std::filesystem::path& path);

  // The catalogue's display name of a device type, without trailing blanks; empty for a
  // type the module does not know.
  std::string DisplayName(int32_t type) const;

  // Bound in the constructor; valid while this object lives.
  GetDeviceTextFn GetDeviceText = nullptr;
  GetTransPropertiesFn GetTransProperties = nullptr;
  GetDataFn GetData = nullptr;

 private:
  SharedLibrary library_;
};

}  // namespace scopehost
