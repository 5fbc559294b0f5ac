#include "model_settings.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

namespace gpibsim {

namespace {

[[noreturn]] void Refuse(std::string_view model, std::string_view key, std::string_view what) {
  throw std::runtime_error(std::string(model) + ": \"" + std::string(key) + "\" must be " +
                           std::string(what));
}

std::optional<double> FiniteNumber(const toml::node& node) {
  const std::optional<double> value = node.value<double>();
  if (!node.is_number() || !value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

}  // namespace

double NumberSetting(const toml::table& table, std::string_view model, std::string_view key,
                     double fallback) {
  const toml::node* node = table.get(key);
  if (node == nullptr) return fallback;
  const std::optional<double> value = FiniteNumber(*node);
  if (!value) Refuse(model, key, "a number");
  return *value;
}

double PositiveSetting(const toml::table& table, std::string_view model, std::string_view key,
                       double fallback) {
  const toml::node* node = table.get(key);
  if (node == nullptr) return fallback;
  const std::optional<double> value = FiniteNumber(*node);
  if (!value || !(*value > 0.0)) Refuse(model, key, "a positive number");
  return *value;
}

bool FlagSetting(const toml::table& table, std::string_view model, std::string_view key,
                 bool fallback) {
  const toml::node* node = table.get(key);
  if (node == nullptr) return fallback;
  const std::optional<bool> value = node->value<bool>();
  if (!node->is_boolean() || !value) Refuse(model, key, "true or false");
  return *value;
}

}  // namespace gpibsim
