#include "controller_bytes.h"

#include <algorithm>
#include <charconv>

#include "ni488/ni488.h"

namespace prologix {

namespace {

constexpr uint8_t kEscape = 27;
constexpr size_t kMaxListeners = 31 * 32;  // every primary with every secondary address

// A byte a controller prints in a line of text.
bool PrintableByte(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7E;
}

std::string_view TextOf(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string_view WithoutLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

std::optional<int32_t> Decimal(std::string_view text, int32_t low, int32_t high) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  if (value < low || value > high) return {};
  return value;
}

}  // namespace

std::string EscapedLine(std::span<const uint8_t> data) {
  std::string line;
  line.reserve(data.size() + data.size() / 8 + 1);
  for (const uint8_t byte : data) {
    if (byte == '\r' || byte == '\n' || byte == kEscape || byte == '+')
      line.push_back(static_cast<char>(kEscape));
    line.push_back(static_cast<char>(byte));
  }
  line.push_back('\n');
  return line;
}

VersionLine ScanVersionLine(std::span<const uint8_t> bytes) {
  VersionLine line;
  for (size_t i = 0; i < bytes.size() && i < VersionLine::kMaxLength; ++i) {
    const uint8_t byte = bytes[i];
    if (byte == '\n') {
      line.state = i > 0 ? VersionLine::State::kComplete : VersionLine::State::kGarbage;
      line.length = i + 1;
      return line;
    }
    if (!PrintableByte(byte) && byte != '\r') {
      line.state = VersionLine::State::kGarbage;
      return line;
    }
  }
  if (bytes.size() >= VersionLine::kMaxLength) line.state = VersionLine::State::kGarbage;
  return line;
}

void ReplyCollector::Add(std::span<const uint8_t> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  for (;;) {
    const auto from = pending_.begin() + static_cast<std::ptrdiff_t>(searchedUpTo_);
    const auto found = std::search(from, pending_.end(), sentinel_.begin(), sentinel_.end());
    if (found == pending_.end()) {
      // The sentinel may start in the last bytes; search them again with the next bytes.
      searchedUpTo_ = pending_.size() - std::min(pending_.size(), sentinel_.size() - 1);
      return;
    }
    replies_.emplace_back(pending_.begin(), found);
    pending_.erase(pending_.begin(), found + static_cast<std::ptrdiff_t>(sentinel_.size()));
    searchedUpTo_ = 0;
  }
}

ReadReply ReadReplyOf(std::span<const uint8_t> reply, uint8_t eotChar) {
  if (!reply.empty() && reply.back() == eotChar) return {reply.first(reply.size() - 1), true};
  return {reply, false};
}

PollReply PollReplyOf(std::span<const uint8_t> reply) {
  constexpr PollReply kGarbage{.state = PollReply::State::kGarbage};
  if (reply.empty()) return {};
  if (reply.size() > PollReply::kMaxLength || reply.back() != '\n') return kGarbage;
  const std::string_view text = WithoutLineEnd(TextOf(reply));
  const bool printable = std::all_of(text.begin(), text.end(),
                                     [](char c) { return PrintableByte(static_cast<uint8_t>(c)); });
  if (!printable) return kGarbage;
  // What a controller prints for a poll that timed out is its own: any line that is not a
  // number tells that nobody answered.
  const bool number = !text.empty() && text.find_first_not_of("-0123456789") == text.npos;
  if (!number) return {};
  const std::optional<int32_t> status = Decimal(text, 0, 255);
  if (!status) return kGarbage;
  return {.state = PollReply::State::kStatus, .status = static_cast<uint8_t>(*status)};
}

std::optional<bool> ServiceRequestOf(std::span<const uint8_t> reply) {
  const std::string_view text = WithoutLineEnd(TextOf(reply));
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

std::optional<std::vector<Listener>> ListenersOf(std::span<const uint8_t> reply) {
  std::string_view text = WithoutLineEnd(TextOf(reply));
  std::vector<Listener> listeners;
  if (text.empty()) return listeners;
  for (;;) {
    const size_t comma = text.find(',');
    const std::string_view entry = text.substr(0, comma);
    const size_t colon = entry.find(':');
    const auto pad = Decimal(entry.substr(0, colon), 0, kLastPrimaryAddress);
    const auto sad =
        colon == std::string_view::npos
            ? std::optional(0)
            : Decimal(entry.substr(colon + 1), kFirstSecondaryAddress, kLastSecondaryAddress);
    if (!pad || !sad || listeners.size() >= kMaxListeners) return std::nullopt;
    listeners.push_back({*pad, *sad});
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return listeners;
}

}  // namespace prologix
