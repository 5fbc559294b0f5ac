// Instrument models register themselves by the name a bench uses in `model = "..."`.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <toml++/toml.h>

#include "device.h"

namespace gpibsim {

// Builds a device from its bench table; throws std::runtime_error with a readable message for
// a bad setting.
using ModelFactory = std::function<std::unique_ptr<Device>(const toml::table& config)>;

// Registration from a static object in the model's own file:
//   const ModelRegistration kHm408("hm408", &MakeHm408);
struct ModelRegistration {
  ModelRegistration(const std::string& name, ModelFactory factory);
};

// The factory for name, or null.
const ModelFactory* FindModel(const std::string& name);

}  // namespace gpibsim
