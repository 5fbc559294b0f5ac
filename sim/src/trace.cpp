#include "trace.h"

#include <algorithm>
#include <array>

#include "ni488/ni488.h"
#include "transcript.h"

namespace gpibsim {

namespace {

constexpr const char* kHeader = "number,call,ibsta,iberr,ibcntl,time,duration,data\n";

// iberr by name, as the trace tools show it (only meaningful with ERR).
std::string ErrorName(int32_t iberr) {
  static constexpr std::array<const char*, 21> kNames = {
      "EDVR", "ECIC", "ENOL", "EADR", "EARG", "ESAC", "EABO", "ENEB", "EDMA", "",    "EOIP",
      "ECAP", "EFSO", "",     "EBUS", "ESTB", "ESRQ", "",     "",     "",     "ETAB"};
  const auto index = static_cast<size_t>(iberr);
  if (iberr >= 0 && index < kNames.size() && *kNames[index] != '\0') return kNames[index];
  return std::to_string(iberr);
}

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

std::string CsvField(const std::string& text) {
  std::string field = "\"";
  for (char c : text) {
    field += c;
    if (c == '"') field += '"';
  }
  return field + "\"";
}

bool Trace::Open(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "a"));
  if (!file_) return false;
  std::fseek(file_.get(), 0, SEEK_END);
  if (std::ftell(file_.get()) == 0) std::fputs(kHeader, file_.get());
  std::fflush(file_.get());
  return true;
}

void Trace::Write(const CallRecord& record) {
  if (!file_) return;
  const std::string call = record.function + "(" + record.arguments + ")";
  const std::string data =
      EscapedBytes(record.data, static_cast<size_t>(record.dataTotal), kShownBytes);
  const std::string iberr = (record.ibsta & ERR) != 0 ? ErrorName(record.iberr) : "";
  std::fprintf(file_.get(), "%d,%s,0x%04X,%s,%d,%.6f,%.6f,%s\n", record.number,
               CsvField(call).c_str(), static_cast<unsigned>(record.ibsta), iberr.c_str(),
               record.ibcntl, record.time, record.duration, CsvField(data).c_str());
  std::fflush(file_.get());
}

}  // namespace gpibsim
