// Numbers in instrument replies, read as the C library's strtod and strtol read them in the
// "C" locale: leading white space skipped, an optional sign, then the longest decimal number
// that follows; 0 when there is none. The host's locale (which may use a decimal comma) never
// changes how an instrument's decimal point is read, and no read goes past the text.
#pragma once

#include <cstddef>
#include <string_view>

struct LeadingReal {
  double value = 0.0;  // 0 also for a number too large for a double
  size_t end = 0;      // index just past the number; 0 when nothing converted
};

LeadingReal ReadLeadingReal(std::string_view text);
inline double ReadReal(std::string_view text) {
  return ReadLeadingReal(text).value;
}
// Saturates at the range of long, as strtol does.
long ReadInteger(std::string_view text);
