// The recording reader on arbitrary text: it either refuses the text with a message naming
// the line or returns calls that print, and that write back to lines it reads as the same
// calls.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "printer.h"
#include "reader.h"
#include "writer.h"

namespace {

using gpib_recording::Call;

std::string Written(const std::vector<Call>& calls) {
  std::string text =
      std::string(gpib_recording::kMagic) + " " + std::to_string(gpib_recording::kVersion) + "\n";
  for (const Call& call : calls) text += gpib_recording::FormatCall(call) + "\n";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<Call> calls;
  try {
    calls = gpib_recording::ParseRecording(text, "fuzz");
  } catch (const gpib_recording::RecordingError& error) {
    if (std::string_view(error.what()).substr(0, 5) != "fuzz:") std::abort();
    return 0;
  }
  for (const Call& call : calls) gpib_recording::DescribeCall(call);
  // Times are written to the microsecond, so the second writing must equal the first.
  const std::string once = Written(calls);
  if (Written(gpib_recording::ParseRecording(once, "written")) != once) std::abort();
  return 0;
}
