// XDR (RFC 4506) for the few types VXI-11 uses: 32-bit integers, booleans, and counted
// opaque data and strings padded to four bytes. The reader never reads past its span: an
// item that does not fit, or a boolean that is neither 0 nor 1, fails the whole message.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace vxi11 {

using Bytes = std::vector<uint8_t>;

class XdrWriter {
 public:
  void Put(uint32_t value);
  void Put(int32_t value) { Put(static_cast<uint32_t>(value)); }
  void Put(bool value) { Put(uint32_t{value ? 1u : 0u}); }
  void Put(std::span<const uint8_t> opaque);
  void Put(const Bytes& opaque) { Put(std::span<const uint8_t>(opaque)); }
  void Put(std::string_view text);
  void Put(const std::string& text) { Put(std::string_view(text)); }
  Bytes Take() { return std::move(bytes_); }

 private:
  Bytes bytes_;
};

class XdrReader {
 public:
  explicit XdrReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  void Get(uint32_t& value);
  void Get(int32_t& value);
  void Get(bool& value);
  void Get(Bytes& opaque);
  void Get(std::string& text);
  // A counted opaque item as a view into the message (empty on failure).
  std::span<const uint8_t> Opaque();
  // What is left after the items read so far.
  std::span<const uint8_t> Rest() const { return bytes_.subspan(at_); }
  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  bool Take(size_t count, std::span<const uint8_t>& taken);

  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

// A message is a struct whose static Fields(message) ties its members in wire order.
template <typename Message>
Bytes Encode(const Message& message) {
  XdrWriter writer;
  std::apply([&](const auto&... field) { (writer.Put(field), ...); }, Message::Fields(message));
  return writer.Take();
}

// The message, or false when the bytes are not exactly one such message.
template <typename Message>
bool Decode(std::span<const uint8_t> bytes, Message& message) {
  XdrReader reader(bytes);
  std::apply([&](auto&... field) { (reader.Get(field), ...); }, Message::Fields(message));
  return reader.ok() && reader.AtEnd();
}

}  // namespace vxi11
