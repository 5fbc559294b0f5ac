// Reading a recording back, every line checked: a bad recording is refused whole with one
// message naming the file and the line.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "call.h"

namespace gpib_recording {

// what() is "ORIGIN:LINE: what is wrong" (or "ORIGIN: ..." for the file as a whole).
class RecordingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The calls of a recording's text; origin names it in messages. Throws RecordingError.
std::vector<Call> ParseRecording(std::string_view text, const std::string& origin);

// The calls of the recording at path. Throws RecordingError, also when it cannot be read.
std::vector<Call> ReadRecording(const std::string& path);

// The words of a line, separated by blanks and tabs.
std::vector<std::string_view> Tokens(std::string_view line);

}  // namespace gpib_recording
