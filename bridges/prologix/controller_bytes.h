// The bridge's reading and writing of the controller's byte stream, apart from any link so
// that it can be tested and fuzzed on bytes alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prologix {

using Bytes = std::vector<uint8_t>;

// Data for the instrument as one line: CR, LF, ESC and '+' each preceded by ESC, then the
// unescaped line feed that ends the line.
std::string EscapedLine(std::span<const uint8_t> data);

// The controller's version line: printable text ending in a line feed, at most kMaxLength
// bytes. Empty while incomplete; nullopt when the bytes cannot be one (garbage).
struct VersionLine {
  static constexpr size_t kMaxLength = 128;
  enum class State { kIncomplete, kComplete, kGarbage };
  State state = State::kIncomplete;
  size_t length = 0;  // with its line end
};
VersionLine ScanVersionLine(std::span<const uint8_t> bytes);

// Collects the replies of the steps of one call. Each step is followed by the version query,
// so its reply ends where the version line (the sentinel) appears.
class ReplyCollector {
 public:
  explicit ReplyCollector(std::string_view sentinel) : sentinel_(sentinel) {}
  // Adds received bytes; complete replies move to Replies().
  void Add(std::span<const uint8_t> bytes);
  const std::vector<Bytes>& Replies() const { return replies_; }
  // Bytes of a reply still waiting for its sentinel.
  size_t Pending() const { return pending_.size(); }
  std::span<const uint8_t> PendingBytes() const { return pending_; }

 private:
  std::string sentinel_;
  Bytes pending_;
  size_t searchedUpTo_ = 0;
  std::vector<Bytes> replies_;
};

// A "++read eoi" reply: the data, and whether the talker ended it with EOI (the controller
// then appended the end-of-reply byte, which is not data).
struct ReadReply {
  std::span<const uint8_t> data;
  bool end = false;
};
ReadReply ReadReplyOf(std::span<const uint8_t> reply, uint8_t eotChar);

// A serial poll reply: a decimal status byte and a line end. Nobody answered: no reply, or a
// line of text that is not a number (an empty line, a word). Anything else is garbage.
struct PollReply {
  static constexpr size_t kMaxLength = 64;  // a status is at most "255\r\n"; a word is longer
  enum class State { kStatus, kSilent, kGarbage };
  State state = State::kSilent;
  uint8_t status = 0;
};
PollReply PollReplyOf(std::span<const uint8_t> reply);

// "++srq": '1' when SRQ is asserted, '0' when not, nullopt for anything else.
std::optional<bool> ServiceRequestOf(std::span<const uint8_t> reply);

// AR488's "++fndl": "pad" or "pad:sad" entries separated by commas, on one line (sad 96 to
// 126 as the controller writes it). nullopt for anything else.
struct Listener {
  int32_t pad = 0;
  int32_t sad = 0;
};
std::optional<std::vector<Listener>> ListenersOf(std::span<const uint8_t> reply);

}  // namespace prologix
