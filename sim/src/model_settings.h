// A model's own settings from its bench table, with a readable error naming the model and the
// key when a value has the wrong type or range.
#pragma once

#include <string_view>

#include <toml++/toml.h>

namespace gpibsim {

// A finite number; fallback when the key is absent.
double NumberSetting(const toml::table& table, std::string_view model, std::string_view key,
                     double fallback);
// A finite number above 0; fallback when the key is absent.
double PositiveSetting(const toml::table& table, std::string_view model, std::string_view key,
                       double fallback);
// true or false; fallback when the key is absent.
bool FlagSetting(const toml::table& table, std::string_view model, std::string_view key,
                 bool fallback);

}  // namespace gpibsim
