#include "model_registry.h"

#include <map>

namespace gpibsim {

namespace {

// Built on first use, so registrations from static objects in any file find it ready.
std::map<std::string, ModelFactory>& Registry() {
  static std::map<std::string, ModelFactory> registry;
  return registry;
}

}  // namespace

ModelRegistration::ModelRegistration(const std::string& name, ModelFactory factory) {
  Registry().emplace(name, std::move(factory));
}

const ModelFactory* FindModel(const std::string& name) {
  const auto found = Registry().find(name);
  return found == Registry().end() ? nullptr : &found->second;
}

}  // namespace gpibsim
