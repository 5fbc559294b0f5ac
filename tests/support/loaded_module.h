// The driver module loaded and its three exports bound by the host library's loader, as
// scopehost loads it.
#pragma once

#include <optional>
#include <string>

#include "gpibscope/host.h"
#include "loading/module_loader.h"

namespace testing_support {

// A module that cannot be loaded or bound leaves loaded() false, and error() says why.
class LoadedModule {
 public:
  explicit LoadedModule(const char* path = GPIBSCOPE_MODULE_PATH) {
    try {
      module_.emplace(path);
      GetDeviceText = module_->GetDeviceText;
      GetTransProperties = module_->GetTransProperties;
      GetData = module_->GetData;
    } catch (const scopehost::LoadError& error) {
      error_ = error.what();
    }
  }

  bool loaded() const { return module_.has_value(); }
  const std::string& error() const { return error_; }

  GetDeviceTextFn GetDeviceText = nullptr;
  GetTransPropertiesFn GetTransProperties = nullptr;
  GetDataFn GetData = nullptr;

 private:
  std::optional<scopehost::DriverModule> module_;
  std::string error_;
};

}  // namespace testing_support
