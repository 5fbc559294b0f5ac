// Names a parameterised case after its `name` field.
#pragma once

#include <string>

namespace testing_support {

constexpr auto kCaseName = [](const auto& testCase) { return std::string(testCase.param.name); };

}  // namespace testing_support
