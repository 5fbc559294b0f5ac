#include "xdr.h"

namespace vxi11 {

namespace {

size_t Padded(size_t length) {
  return (length + 3) & ~size_t{3};
}

}  // namespace

void XdrWriter::Put(uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes_.push_back(static_cast<uint8_t>(value >> shift));
}

void XdrWriter::Put(std::span<const uint8_t> opaque) {
  Put(static_cast<uint32_t>(opaque.size()));
  bytes_.insert(bytes_.end(), opaque.begin(), opaque.end());
  bytes_.resize(bytes_.size() + Padded(opaque.size()) - opaque.size(), 0);
}

void XdrWriter::Put(std::string_view text) {
  Put(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool XdrReader::Take(size_t count, std::span<const uint8_t>& taken) {
  if (!ok_ || count > bytes_.size() - at_) {
    ok_ = false;
    return false;
  }
  taken = bytes_.subspan(at_, count);
  at_ += count;
  return true;
}

void XdrReader::Get(uint32_t& value) {
  std::span<const uint8_t> word;
  value = 0;
  if (!Take(4, word)) return;
  for (const uint8_t byte : word) value = value << 8 | byte;
}

void XdrReader::Get(int32_t& value) {
  uint32_t word = 0;
  Get(word);
  value = static_cast<int32_t>(word);
}

void XdrReader::Get(bool& value) {
  uint32_t word = 0;
  Get(word);
  if (word > 1) ok_ = false;
  value = word == 1;
}

std::span<const uint8_t> XdrReader::Opaque() {
  uint32_t length = 0;
  Get(length);
  std::span<const uint8_t> data;
  std::span<const uint8_t> padding;
  if (!ok_ || !Take(length, data) || !Take(Padded(length) - length, padding)) return {};
  return data;
}

void XdrReader::Get(Bytes& opaque) {
  const auto data = Opaque();
  opaque.assign(data.begin(), data.end());
}

void XdrReader::Get(std::string& text) {
  const auto data = Opaque();
  text.assign(data.begin(), data.end());
}

}  // namespace vxi11
