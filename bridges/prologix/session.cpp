#include "session.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "commands.h"

namespace prologix {

namespace {

using std::chrono::milliseconds;

// How long the controller may take to accept a connection and answer its set-up.
constexpr milliseconds kSetupTime{3000};
// How long past its own read time-out the controller may take to end a read.
constexpr milliseconds kGrace{500};
// The longest reply one step may bring before it counts as garbage.
constexpr size_t kMaxReply = size_t{64} << 20;
constexpr size_t kMaxListenerList = 8192;  // AR488's "++fndl": up to 992 "pp:sss" entries
constexpr milliseconds kServiceRequestPoll{100};

std::string ReadTimeoutCommand(int timeoutMs) {
  return std::string(kReadTimeout) + " " + std::to_string(timeoutMs) + "\n";
}

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<int64_t>(left, 0, 1'000'000'000));
}

std::string Printable(std::span<const uint8_t> bytes) {
  std::string text;
  for (const uint8_t byte : bytes.first(std::min<size_t>(bytes.size(), 40))) {
    if (byte >= 0x20 && byte < 0x7F) {
      text.push_back(static_cast<char>(byte));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      text += hex;
    }
  }
  return bytes.size() > 40 ? text + "..." : text;
}

std::string Seconds(Clock::duration duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(duration).count());
  return text;
}

}  // namespace

Session::Session(std::string linkName, Connector connect, Report report, int pollTimeoutMs)
    : linkName_(std::move(linkName)),
      connect_(std::move(connect)),
      report_(report ? std::move(report)
                     : [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }),
      readTimeoutMs_(kInitialReadTimeoutMs),
      pollTimeoutMs_(pollTimeoutMs) {}

std::optional<Session::Failure> Session::Connect(Clock::time_point deadline) {
  deadline = std::min(deadline, Clock::now() + kSetupTime);
  std::string error;
  std::unique_ptr<Transport> transport = connect_(deadline, error);
  if (!transport) return Failure{.what = "cannot reach the controller: " + error};
  if (auto failure = ReadVersion(*transport, deadline)) return failure;
  transport_ = std::move(transport);
  ar488_ = sentinel_.find(kAr488Marker) != std::string::npos;
  std::vector<std::string> steps{std::string(kSetup) + ReadTimeoutCommand(kInitialReadTimeoutMs)};
  // A Prologix older than ++savecfg calls it unknown, and saves nothing either: its answer to
  // that step does not matter.
  if (!ar488_) steps.insert(steps.begin(), std::string(kStopSaving));
  std::vector<Bytes> replies;
  if (auto failure =
          Exchange(steps, replies, deadline, deadline - Clock::now(), PollReply::kMaxLength))
    return failure;
  if (!replies.back().empty()) {
    return Failure{.what =
                       "the controller refused its set-up: \"" + Printable(replies.back()) + "\""};
  }
  return std::nullopt;
}

std::optional<Session::Failure> Session::ReadVersion(Transport& transport,
                                                     Clock::time_point deadline) {
  if (transport.Send({reinterpret_cast<const uint8_t*>(kVersionQuery.data()), kVersionQuery.size()},
                     deadline) != Transport::Result::kOk) {
    return Failure{.what = "the controller took no set-up commands"};
  }
  Bytes received;
  for (;;) {
    const VersionLine line = ScanVersionLine(received);
    const bool complete = line.state == VersionLine::State::kComplete;
    if (line.state == VersionLine::State::kGarbage || (complete && received.size() > line.length)) {
      return Failure{.what = "the controller answered garbage, not its version: \"" +
                             Printable(received) + "\""};
    }
    if (complete) {
      sentinel_.assign(received.begin(), received.end());
      return std::nullopt;
    }
    switch (transport.Receive(received, deadline)) {
      case Transport::Result::kOk:
        continue;
      case Transport::Result::kTimedOut:
        return Failure{.iberr = EABO,
                       .ibsta = TIMO,
                       .what = "the controller did not answer its version query"};
      default:
        return Failure{.what = "the controller closed the connection during set-up"};
    }
  }
}

std::optional<Session::Failure> Session::Exchange(const std::vector<std::string>& steps,
                                                  std::vector<Bytes>& replies,
                                                  Clock::time_point deadline,
                                                  Clock::duration silence, size_t replyLimit) {
  if (!transport_) {
    if (auto failure = Connect(deadline)) return failure;
  }
  std::string text;
  for (const std::string& step : steps) text += step + std::string(kVersionQuery);
  switch (
      transport_->Send({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, deadline)) {
    case Transport::Result::kOk:
      break;
    case Transport::Result::kTimedOut:
      return Failure{.iberr = EABO, .ibsta = TIMO, .what = "the controller took no more bytes"};
    default:
      return Failure{.what = "the connection to the controller was lost"};
  }
  ReplyCollector collector(sentinel_);
  Bytes received;
  while (collector.Replies().size() < steps.size()) {
    const Clock::time_point quietUntil = std::min(deadline, Clock::now() + silence);
    received.clear();
    switch (transport_->Receive(received, quietUntil)) {
      case Transport::Result::kOk:
        break;
      case Transport::Result::kTimedOut:
        return Failure{.iberr = EABO,
                       .ibsta = TIMO,
                       .what = quietUntil < deadline
                                   ? "the controller stalled: nothing for " + Seconds(silence)
                                   : "no complete reply from the controller in time"};
      case Transport::Result::kClosed:
        return Failure{.what = "the controller closed the connection"};
      case Transport::Result::kFailed:
        return Failure{.what = "the connection to the controller failed"};
    }
    collector.Add(received);
    // Bytes enough for the longest reply and its version line, but no version line: garbage.
    if (collector.Pending() >= replyLimit + sentinel_.size()) {
      return Failure{.what = "the controller answered garbage: \"" +
                             Printable(collector.PendingBytes()) + "\""};
    }
  }
  if (collector.Replies().size() > steps.size() || collector.Pending() > 0)
    return Failure{.what = "the controller sent bytes nobody asked for"};
  replies = collector.Replies();
  return std::nullopt;
}

std::optional<Session::Failure> Session::Quiet(std::string step, Clock::duration timeout) {
  std::vector<Bytes> replies;
  const auto deadline = Clock::now() + timeout;
  if (auto failure = Exchange({std::move(step)}, replies, deadline, timeout, 0)) return failure;
  if (!replies[0].empty())
    return Failure{.what = "the controller answered \"" + Printable(replies[0]) + "\""};
  return std::nullopt;
}

CallStatus Session::Failed(const Failure& failure, std::string_view during, int64_t count) {
  report_("libgpib-32 (prologix): " + linkName_ + ": " + std::string(during) + ": " + failure.what);
  // The stream's state is unknown now: the next call connects and sets up again, which
  // leaves the controller unaddressed, with EOI on and the longest read time-out.
  transport_.reset();
  kept_.clear();
  addressed_.reset();
  eoi_ = true;
  readTimeoutMs_ = kInitialReadTimeoutMs;
  return {.ibsta = ERR | failure.ibsta, .iberr = failure.iberr, .count = count};
}

std::string Session::AddressStep(Address address) {
  if (addressed_ == address) return {};
  addressed_ = address;
  return std::string(kAddress) + " " + std::to_string(address.pad) +
         (address.sad != 0 ? " " + std::to_string(address.sad) : "") + "\n";
}

std::string Session::ReadTimeoutStep(int timeoutMs) {
  if (timeoutMs == readTimeoutMs_) return {};
  readTimeoutMs_ = timeoutMs;
  return ReadTimeoutCommand(timeoutMs);
}

std::string Session::PollStep(Address address) const {
  std::string step = std::string(kSerialPoll) + " " + std::to_string(address.pad);
  if (address.sad != 0) step.append(" ").append(std::to_string(address.sad));
  return step + "\n";
}

CallStatus Session::Write(Address address, std::span<const uint8_t> data, bool eoi,
                          Clock::duration timeout) {
  if (data.empty()) return {.ibsta = CMPL};  // an empty line is no message to the controller
  // A new message interrupts the reply the instrument was sending: what was kept of it goes.
  kept_.erase(Key(address));
  std::string step = AddressStep(address);
  if (eoi != eoi_) step += std::string(kEoi) + (eoi ? " 1\n" : " 0\n");
  eoi_ = eoi;
  step += EscapedLine(data);
  if (auto failure = Quiet(std::move(step), timeout)) return Failed(*failure, "writing");
  return {.ibsta = CMPL, .count = static_cast<int64_t>(data.size())};
}

CallStatus Session::Read(Address address, std::span<uint8_t> buffer, int stopByte,
                         Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  Kept& kept = kept_[Key(address)];
  while (kept.Available() < buffer.size() && !kept.end && Clock::now() < deadline) {
    // The controller's read time-out is at most 3 s: longer time-outs are several reads.
    const int readTimeoutMs = std::clamp(MillisecondsUntil(deadline), 1, kLongestReadTimeoutMs);
    std::string step = AddressStep(address) + ReadTimeoutStep(readTimeoutMs);
    step += stopByte < 0 ? std::string(kReadToEoi)
                         : std::string(kReadTo) + " " + std::to_string(stopByte) + "\n";
    std::vector<Bytes> replies;
    if (auto failure = Exchange({std::move(step)}, replies, deadline + kGrace,
                                milliseconds(readTimeoutMs) + kGrace, kMaxReply)) {
      return Failed(*failure, "reading");
    }
    const ReadReply reply = ReadReplyOf(replies[0], kEotChar);
    kept.bytes.insert(kept.bytes.end(), reply.data.begin(), reply.data.end());
    kept.end = reply.end || (stopByte >= 0 && !reply.data.empty() && reply.data.back() == stopByte);
  }
  const size_t count = std::min(kept.Available(), buffer.size());
  std::copy_n(kept.bytes.begin() + static_cast<std::ptrdiff_t>(kept.taken), count, buffer.begin());
  kept.taken += count;
  const bool end = kept.end && kept.Available() == 0;
  const bool filled = count == buffer.size();
  if (kept.Available() == 0) kept_.erase(Key(address));
  if (end) return {.ibsta = CMPL | END, .count = static_cast<int64_t>(count)};
  if (filled) return {.ibsta = CMPL, .count = static_cast<int64_t>(count)};
  return Failed(
      {.iberr = EABO, .ibsta = TIMO, .what = "no end of message within " + Seconds(timeout)},
      "reading", static_cast<int64_t>(count));
}

CallStatus Session::Command(Address address, std::string_view command, Clock::duration timeout) {
  if (command == kClear) kept_.erase(Key(address));
  std::string step = AddressStep(address) + std::string(command);
  if (auto failure = Quiet(std::move(step), timeout)) return Failed(*failure, command);
  return {.ibsta = CMPL};
}

CallStatus Session::Act(Address address, Action action, Clock::duration timeout) {
  switch (action) {
    case Action::kClear:
      return Command(address, kClear, timeout);
    case Action::kLocal:
      return Command(address, kLocal, timeout);
    case Action::kTrigger:
      break;
  }
  return Command(address, kTrigger, timeout);
}

CallStatus Session::InterfaceClear(Clock::duration timeout) {
  if (auto failure = Quiet(std::string(kInterfaceClear), timeout))
    return Failed(*failure, "interface clear");
  return {.ibsta = CMPL};
}

CallStatus Session::UniversalClear(Clock::duration timeout) {
  // A Prologix controller has no command for DCL; only AR488 adds one.
  if (!transport_) {
    if (auto failure = Connect(Clock::now() + timeout)) return Failed(*failure, "device clear");
  }
  if (!ar488_)
    return Failed({.iberr = ECAP, .what = "this controller cannot clear every device at once"},
                  "device clear");
  kept_.clear();
  if (auto failure = Quiet(std::string(kUniversalClear), timeout))
    return Failed(*failure, "device clear");
  return {.ibsta = CMPL};
}

CallStatus Session::SerialPoll(Address address, uint8_t& status, Clock::duration timeout) {
  std::vector<Bytes> replies;
  const auto deadline = Clock::now() + timeout;
  // The controller waits its read time-out for an answer: within the call's time-out.
  const int pollTimeoutMs = std::clamp(MillisecondsUntil(deadline), 1, kLongestReadTimeoutMs);
  const std::string step = ReadTimeoutStep(pollTimeoutMs) + PollStep(address);
  if (auto failure = Exchange({step}, replies, deadline + kGrace,
                              milliseconds(pollTimeoutMs) + kGrace, PollReply::kMaxLength)) {
    return Failed(*failure, "serial poll");
  }
  const PollReply reply = PollReplyOf(replies[0]);
  if (reply.state == PollReply::State::kSilent)
    return Failed(
        {.iberr = ENOL, .what = "no instrument answered at " + std::to_string(address.pad)},
        "serial poll");
  if (reply.state == PollReply::State::kGarbage)
    return Failed({.what = "not a status byte: \"" + Printable(replies[0]) + "\""}, "serial poll");
  status = reply.status;
  return {.ibsta = CMPL};
}

CallStatus Session::FindListeners(std::span<const Address> candidates, std::vector<Address>& found,
                                  Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<Bytes> replies;
  found.clear();
  if (!transport_) {
    if (auto failure = Connect(deadline)) return Failed(*failure, "finding listeners");
  }
  if (ar488_) {
    const auto silence = milliseconds(kLongestReadTimeoutMs) + kGrace;
    if (auto failure =
            Exchange({std::string(kFindListeners)}, replies, deadline, silence, kMaxListenerList))
      return Failed(*failure, "finding listeners");
    const auto listeners = ListenersOf(replies[0]);
    if (!listeners)
      return Failed({.what = "not a list of addresses: \"" + Printable(replies[0]) + "\""},
                    "finding listeners");
    for (const Address candidate : candidates) {
      const bool listens = std::any_of(listeners->begin(), listeners->end(), [&](Listener l) {
        return l.pad == candidate.pad && l.sad == candidate.sad;
      });
      if (listens) {
        found.push_back(candidate);
      } else if (candidate.sad == 0) {
        // As FindLstn: a primary address where nothing listens gives its secondary listeners.
        for (const Listener l : *listeners) {
          if (l.pad == candidate.pad && l.sad != 0) found.push_back({l.pad, l.sad});
        }
      }
    }
    return {.ibsta = CMPL, .count = static_cast<int64_t>(found.size())};
  }
  // Prologix has no such command: an instrument that answers a serial poll listens. The
  // controller's own address 0 is never polled. Each empty address costs the controller's
  // whole read time-out, so the scan polls with the short one; reads and single polls set
  // the longer one again for themselves. The 31 secondary addresses of each silent primary
  // address are not polled: they would cost 31 time-outs each.
  std::vector<std::string> steps;
  std::vector<Address> polled;
  for (const Address candidate : candidates) {
    if (candidate.pad == 0) continue;
    steps.push_back(PollStep(candidate));
    polled.push_back(candidate);
  }
  if (steps.empty()) return {.ibsta = CMPL};
  steps.front().insert(0, ReadTimeoutStep(pollTimeoutMs_));
  if (auto failure = Exchange(steps, replies, deadline, milliseconds(pollTimeoutMs_) + kGrace,
                              PollReply::kMaxLength))
    return Failed(*failure, "finding listeners");
  for (size_t i = 0; i < polled.size(); ++i) {
    const PollReply reply = PollReplyOf(replies[i]);
    if (reply.state == PollReply::State::kGarbage)
      return Failed({.what = "not a status byte: \"" + Printable(replies[i]) + "\""},
                    "finding listeners");
    if (reply.state == PollReply::State::kStatus) found.push_back(polled[i]);
  }
  return {.ibsta = CMPL, .count = static_cast<int64_t>(found.size())};
}

CallStatus Session::WaitForServiceRequest(bool& asserted, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  asserted = false;
  do {
    std::vector<Bytes> replies;
    if (auto failure =
            Exchange({std::string(kServiceRequest)}, replies, deadline + kGrace,
                     milliseconds(kLongestReadTimeoutMs) + kGrace, PollReply::kMaxLength)) {
      return Failed(*failure, "waiting for a service request");
    }
    const std::optional<bool> request = ServiceRequestOf(replies[0]);
    if (!request)
      return Failed({.what = "not an SRQ state: \"" + Printable(replies[0]) + "\""},
                    "waiting for a service request");
    if (*request) {
      asserted = true;
      return {.ibsta = CMPL};
    }
    std::this_thread::sleep_for(
        std::min<Clock::duration>(kServiceRequestPoll, deadline - Clock::now()));
  } while (Clock::now() < deadline);
  return {.ibsta = CMPL | TIMO};
}

}  // namespace prologix
