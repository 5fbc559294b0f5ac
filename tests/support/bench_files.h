// The bench files the tests, benchmarks and fuzz seeds load: tests/benches/ holds the ones made
// for them, examples/benches/ the ones a user is shown.
#pragma once

#include <string>

namespace testing_support {

inline std::string TestBench(const std::string& name) {
  return GPIBSCOPE_SOURCE_DIR "/tests/benches/" + name;
}
inline std::string ExampleBench(const std::string& name) {
  return GPIBSCOPE_SOURCE_DIR "/examples/benches/" + name;
}

}  // namespace testing_support
