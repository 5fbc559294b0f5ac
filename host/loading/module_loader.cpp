#include "loading/module_loader.h"

#include <string>

namespace scopehost {

namespace {

template <typename Function>
Function Export(const SharedLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.Symbol(name));
}

}  // namespace

void* SharedLibrary::Symbol(const char* name) const {
  void* address = Lookup(name);
  if (address == nullptr) {
    throw LoadError(path_.string() + " does not export " + name + "; is it the driver module?");
  }
  return address;
}

DriverModule::DriverModule(const std::filesystem::path& path) : library_(path) {
  GetDeviceText = Export<GetDeviceTextFn>(library_, "GetDeviceText");
  GetTransProperties = Export<GetTransPropertiesFn>(library_, "GetTransProperties");
  GetData = Export<GetDataFn>(library_, "GetData");
}

std::string DriverModule::DisplayName(int32_t type) const {
  // Larger than the longest name plus the two bytes GetDeviceText keeps for itself.
  char buffer[64] = {};
  if (GetDeviceText(buffer, sizeof buffer, type) == nullptr) return {};
  std::string name(buffer);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

}  // namespace scopehost
