// Times as the output files print them.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace scopehost {

// ISO 8601 in UTC to the second, e.g. 2026-12-08T14:50:01Z.
inline std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc));
}

}  // namespace scopehost
