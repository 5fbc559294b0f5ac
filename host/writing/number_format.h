// Numbers as text: the shortest form that reads back as the same double.
#pragma once

#include <array>
#include <charconv>
#include <string>

namespace scopehost {

inline void AppendNumber(std::string& text, double value) {
  std::array<char, 32> buffer;
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  text.append(buffer.data(), result.ptr);
}

}  // namespace scopehost
