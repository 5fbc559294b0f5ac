// The Prologix bridge's reading of controller bytes: the input is everything the controller
// sends, delivered in pieces of changing size; the bridge makes each kind of call in turn
// (writes, reads with leftovers and with a stop byte, polls, listener searches, SRQ). Every
// failure drops the link and the next call reconnects on the rest of the input. Counts must
// stay within the buffers, END never comes with ERR, and nothing may wait: the input ends in
// a closed link.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "session.h"

namespace {

using prologix::Address;
using prologix::Bytes;
using prologix::Clock;
using prologix::Transport;
using namespace std::chrono_literals;

class ReplayTransport : public Transport {
 public:
  explicit ReplayTransport(std::span<const uint8_t>& stream) : stream_(stream) {}
  Result Send(std::span<const uint8_t>, Clock::time_point) override { return Result::kOk; }
  Result Receive(Bytes& into, Clock::time_point) override {
    static constexpr std::array<size_t, 5> kPieces = {1, 7, 64, 3, 4096};
    if (stream_.empty()) return Result::kClosed;
    const size_t take = std::min(stream_.size(), kPieces[piece_++ % kPieces.size()]);
    into.insert(into.end(), stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(take));
    stream_ = stream_.subspan(take);
    return Result::kOk;
  }

 private:
  std::span<const uint8_t>& stream_;
  size_t piece_ = 0;
};

void Check(const gpib_bridge::CallStatus& status, size_t limit) {
  if (status.count < 0 || static_cast<size_t>(status.count) > limit) std::abort();
  if ((status.ibsta & ERR) != 0 && (status.ibsta & END) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> stream(data, size);
  prologix::Session session(
      "fuzz",
      [&stream](Clock::time_point, std::string&) {
        return std::make_unique<ReplayTransport>(stream);
      },
      [](const std::string&) {});  // failures are expected here; their lines are not
  constexpr Address kScope{1, 0};
  const Bytes command = {'C', 'U', 'R', 'V', '?', '+', '\r'};
  std::array<uint8_t, 4096> buffer{};
  std::vector<Address> found;
  std::vector<Address> candidates;
  for (int32_t pad = 0; pad <= 30; ++pad) candidates.push_back({pad, pad % 7 == 0 ? 96 : 0});
  for (int round = 0; round < 4 && !stream.empty(); ++round) {
    Check(session.Write(kScope, command, round % 2 == 0, 1s), command.size());
    Check(session.Read(kScope, std::span(buffer).first(5), -1, 1s), 5);
    Check(session.Read(kScope, buffer, -1, 1s), buffer.size());
    Check(session.Read({2, 96}, std::span(buffer).first(100), '\n', 1s), 100);
    uint8_t status = 0;
    Check(session.SerialPoll(kScope, status, 1s), 0);
    Check(session.FindListeners(candidates, found, 1s), candidates.size());
    if (found.size() > candidates.size()) std::abort();
    bool asserted = false;
    Check(session.WaitForServiceRequest(asserted, 0s), 0);
    Check(session.Command(kScope, "++clr\n", 1s), 0);
  }
  return 0;
}
