#include "gpib/reply_numbers.h"

#include <charconv>
#include <climits>
#include <system_error>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Index of the first character after leading white space and a sign; sets negative.
size_t SkipToDigits(std::string_view text, bool& negative) {
  size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  return at;
}

}  // namespace

LeadingReal ReadLeadingReal(std::string_view text) {
  bool negative = false;
  const size_t at = SkipToDigits(text, negative);
  // Decimal only: no "inf", "nan" or hexadecimal, which an instrument does not send.
  if (at == text.size() || !(IsDigit(text[at]) || text[at] == '.')) return {};
  double value = 0.0;
  const char* const begin = text.data() + at;
  const auto [stop, error] =
      std::from_chars(begin, text.data() + text.size(), value, std::chars_format::general);
  if (stop == begin) return {};
  if (error == std::errc::result_out_of_range) value = 0.0;
  return {negative ? -value : value, static_cast<size_t>(stop - text.data())};
}

long ReadInteger(std::string_view text) {
  bool negative = false;
  long value = 0;
  for (size_t at = SkipToDigits(text, negative); at < text.size() && IsDigit(text[at]); ++at) {
    const int digit = text[at] - '0';
    if (value > (LONG_MAX - digit) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}
