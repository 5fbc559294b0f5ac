#include "printer.h"

#include <array>
#include <cstdio>

#include "ni488/ni488.h"

namespace gpib_recording {

namespace {

// Bytes shown of a long transfer; the line tells how many there were.
constexpr size_t kFoldedBytes = 48;

bool IsText(const Bytes& bytes) {
  for (const uint8_t byte : bytes) {
    const bool escaped = byte == '\n' || byte == '\r' || byte == '\t' || byte == '\0';
    if ((byte < 0x20 || byte > 0x7E) && !escaped) return false;
  }
  return true;
}

std::string QuotedText(const Bytes& bytes, size_t shown) {
  std::string text = "\"";
  for (size_t i = 0; i < shown; ++i) {
    switch (const char c = static_cast<char>(bytes[i])) {
      case '\n':
        text += "\\n";
        break;
      case '\r':
        text += "\\r";
        break;
      case '\t':
        text += "\\t";
        break;
      case '\0':
        text += "\\0";
        break;
      case '"':
      case '\\':
        text += '\\';
        text += c;
        break;
      default:
        text += c;
    }
  }
  return text + "\"";
}

std::string HexText(const Bytes& bytes, size_t shown) {
  std::string text;
  char pair[4];
  for (size_t i = 0; i < shown; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02X" : " %02X", bytes[i]);
    text += pair;
  }
  return text;
}

// Text in quotes, binary as "N bytes: hex", either folded after kFoldedBytes.
std::string BytesText(const Bytes& bytes) {
  const size_t shown = std::min(bytes.size(), kFoldedBytes);
  const std::string fold = shown < bytes.size() ? " ..." : "";
  if (IsText(bytes)) {
    std::string text = QuotedText(bytes, shown) + fold;
    if (shown < bytes.size())
      text.append(" (").append(std::to_string(bytes.size())).append(" bytes)");
    return text;
  }
  return std::to_string(bytes.size()) + " bytes: " + HexText(bytes, shown) + fold;
}

std::string WordsText(const Bytes& bytes) {
  std::string text = "[";
  for (const int16_t word : BytesAsWords(bytes)) {
    if (text.size() > 1) text += ", ";
    text += std::to_string(word);
  }
  return text + "]";
}

// What a call wrote, in the form its function gives it.
std::string WrittenText(const Call& call) {
  if (call.function == "FindLstn") return WordsText(call.written);
  return BytesText(call.written);
}

std::string ReadText(const Call& call) {
  if (call.function == "FindLstn" || call.function == "ReadStatusByte" ||
      call.function == "WaitSRQ") {
    return WordsText(call.read);
  }
  return BytesText(call.read);
}

}  // namespace

std::string StatusText(int32_t ibsta) {
  static constexpr std::array<const char*, 16> kBits = {
      "ERR", "TIMO", "END", "SRQI", "RQS",  "",     "",     "CMPL",
      "LOK", "REM",  "CIC", "ATN",  "TACS", "LACS", "DTAS", "DCAS"};
  std::string text;
  for (size_t bit = 0; bit < kBits.size(); ++bit) {
    if ((ibsta & (ERR >> bit)) != 0 && *kBits[bit] != '\0') {
      if (!text.empty()) text += ' ';
      text += kBits[bit];
    }
  }
  return text.empty() ? "0" : text;
}

std::string ErrorName(int32_t iberr) {
  static constexpr std::array<const char*, 21> kNames = {
      "EDVR", "ECIC", "ENOL", "EADR", "EARG", "ESAC", "EABO", "ENEB", "EDMA", "",    "EOIP",
      "ECAP", "EFSO", "",     "EBUS", "ESTB", "ESRQ", "",     "",     "",     "ETAB"};
  const auto index = static_cast<size_t>(iberr);
  if (iberr >= 0 && index < kNames.size() && *kNames[index] != '\0') return kNames[index];
  return std::to_string(iberr);
}

std::string DescribeRequest(const Call& call) {
  const Signature* signature = SignatureOf(call.function);
  std::string text = call.function + "(";
  for (size_t i = 0; signature != nullptr && i < signature->argumentCount; ++i) {
    if (i > 0) text += ", ";
    text.append(signature->argumentNames[i]).append("=");
    text += i < call.arguments.size() ? std::to_string(call.arguments[i]) : "?";
  }
  if (signature != nullptr && signature->writes) {
    if (signature->argumentCount > 0) text += ", ";
    text += WrittenText(call);
  }
  return text + ")";
}

std::string DescribeCall(const Call& call) {
  const Signature* signature = SignatureOf(call.function);
  char head[64];
  std::snprintf(head, sizeof head, "%6lld %12.6f %10.6f  ", static_cast<long long>(call.number),
                call.start, call.duration);
  std::string line = head + DescribeRequest(call);
  // A status word returned is the ibsta shown; a descriptor is worth its place.
  if (signature != nullptr && signature->returns && call.result != call.ibsta) {
    line.append(" = ").append(std::to_string(call.result));
  }
  line.append("  ").append(StatusText(call.ibsta));
  if ((call.ibsta & ERR) != 0) line.append(" ").append(ErrorName(call.iberr));
  line.append("  ibcntl=").append(std::to_string(call.ibcntl));
  if (signature != nullptr && signature->reads) line.append("  read ").append(ReadText(call));
  return line;
}

}  // namespace gpib_recording
