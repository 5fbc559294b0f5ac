#include "trace.h"

#include <algorithm>

#include "transcript.h"

namespace gpibsim {

namespace {

void AppendEscaped(std::string& text, uint8_t byte) {
  switch (byte) {
    case '\n':
      text += "\\n";
      return;
    case '\r':
      text += "\\r";
      return;
    case '\t':
      text += "\\t";
      return;
    case '\0':
      text += "\\0";
      return;
    case '\\':
      text += "\\\\";
      return;
    case '"':
      text += "\\\"";
      return;
    default:
      break;
  }
  if (byte >= 0x20 && byte < 0x7F) {
    text += static_cast<char>(byte);
    return;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  text += "\\x";
  text += kHex[byte >> 4];
  text += kHex[byte & 0xF];
}

}  // namespace

std::string EscapedBytes(std::span<const uint8_t> bytes, size_t total, size_t shown) {
  std::string text;
  const size_t count = std::min(bytes.size(), shown);
  for (size_t i = 0; i < count; ++i) AppendEscaped(text, bytes[i]);
  if (total > count) text += "... (" + std::to_string(total) + " bytes)";
  return text;
}

bool Trace::Open(const std::string& path) {
  return file_.Open(path, gpib_recording::RecordingFile::Mode::kAppend);
}

void Trace::Write(gpib_recording::Call request, const CallRecord& record, int32_t result,
                  const gpib_recording::Outputs& outputs) {
  if (!file_.IsOpen()) return;
  request.number = record.number;
  request.result = result;
  request.ibsta = record.ibsta;
  request.iberr = record.iberr;
  request.ibcntl = record.ibcntl;
  request.start = record.time;
  request.duration = record.duration;
  request.read = gpib_recording::CapturedRead(request, outputs);
  file_.Write(request);
}

}  // namespace gpibsim
