// Instrument commands as fixed byte sequences whose counts are checked when the module is
// compiled, so each can be compared with the instrument's documentation at a glance.
#pragma once

#include <cstddef>
#include <string_view>

// A command sent as its text alone.
consteval std::string_view Sent(std::string_view text, size_t bytes) {
  if (text.size() != bytes) throw "byte count does not match the command text";
  return text;
}

// A command sent as its text and the terminating zero byte of the string literal it is made
// from (some board-level commands go out that way).
consteval std::string_view SentWithZero(std::string_view text, size_t bytes) {
  if (text.size() + 1 != bytes) throw "byte count does not match the command text and its zero";
  return {text.data(), bytes};
}
