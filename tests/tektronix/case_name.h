// Names parameterised cases after their `name` field.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& testCase) const {
    return testCase.param.name;
  }
};

}  // namespace testing_support
