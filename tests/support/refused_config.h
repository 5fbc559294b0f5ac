// Configuration texts that a bridge must refuse, each with how its error begins.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace testing_support {

struct RefusedConfig {
  std::string text;
  std::string error;  // "gpib.toml:LINE: what is wrong", or its start
};

// Expects parse(text, "gpib.toml", error) to refuse each text with an error that starts as told.
template <typename Parse>
void ExpectRefused(Parse parse, std::span<const RefusedConfig> cases) {
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parse(c.text, "gpib.toml", error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << "\n -> " << error;
  }
}

}  // namespace testing_support
