#include "writer.h"

#include <cinttypes>

namespace gpib_recording {

namespace {

void AppendHex(std::string& line, const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const size_t at = line.size();
  line.resize(at + bytes.size() * 2);
  char* out = line.data() + at;
  for (const uint8_t byte : bytes) {
    *out++ = kDigits[byte >> 4];
    *out++ = kDigits[byte & 0xF];
  }
}

void AppendField(std::string& line, std::string_view name, const char* format, auto value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  line += ' ';
  line += name;
  line += '=';
  line += text;
}

}  // namespace

std::string FormatCall(const Call& call) {
  const Signature* signature = SignatureOf(call.function);
  std::string line = std::to_string(call.number) + ' ' + call.function;
  line.reserve(line.size() + 160 + 2 * (call.written.size() + call.read.size()));
  for (size_t i = 0; signature != nullptr && i < signature->argumentCount; ++i) {
    const int32_t value = i < call.arguments.size() ? call.arguments[i] : 0;
    AppendField(line, signature->argumentNames[i], "%" PRId32, value);
  }
  if (signature != nullptr && signature->writes) {
    line += " w=";
    AppendHex(line, call.written);
  }
  if (signature != nullptr && signature->returns) AppendField(line, "ret", "%" PRId32, call.result);
  AppendField(line, "ibsta", "0x%04" PRIX32, static_cast<uint32_t>(call.ibsta));
  AppendField(line, "iberr", "%" PRId32, call.iberr);
  AppendField(line, "ibcntl", "%" PRId32, call.ibcntl);
  if (signature != nullptr && signature->reads) {
    line += " r=";
    AppendHex(line, call.read);
  }
  AppendField(line, "t", "%.6f", call.start);
  AppendField(line, "d", "%.6f", call.duration);
  return line;
}

bool RecordingFile::Open(const std::string& path, Mode mode) {
  file_.reset(std::fopen(path.c_str(), mode == Mode::kAppend ? "ab" : "wb"));
  if (!file_) return false;
  std::fseek(file_.get(), 0, SEEK_END);
  if (std::ftell(file_.get()) == 0) {
    std::fprintf(file_.get(), "%s %d\n", std::string(kMagic).c_str(), kVersion);
  }
  std::fflush(file_.get());
  return true;
}

void RecordingFile::Write(const Call& call) {
  if (!file_) return;
  const std::string line = FormatCall(call) + '\n';
  std::fwrite(line.data(), 1, line.size(), file_.get());
  std::fflush(file_.get());
}

}  // namespace gpib_recording
