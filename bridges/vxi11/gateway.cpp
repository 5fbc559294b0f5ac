#include "gateway.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <thread>

namespace vxi11 {

namespace {

using std::chrono::milliseconds;

// How long the gateway may take to accept the connection (and its portmapper to answer).
constexpr milliseconds kSetupTime{3000};
// How long past the time-out the gateway told may take to answer.
constexpr milliseconds kGrace{500};
constexpr uint16_t kInterfaceKey = 0xFFFF;
// Any one number, the same for every link of this client.
constexpr int32_t kClientId = 0x47504942;
// The largest read asked for at once: its reply fits in the longest record.
constexpr uint32_t kMaxReadRequest = kMaxRecord - 4096;
// Bus commands sent with ATN.
constexpr uint8_t kUnlisten = 0x3F;
constexpr uint8_t kListenAddress = 0x20;
constexpr uint8_t kDeviceClearAll = 0x14;
constexpr milliseconds kServiceRequestPoll{100};

uint16_t KeyOf(BusAddress address) {
  return static_cast<uint16_t>(address.pad | address.sad << 8);
}

std::string Seconds(Clock::duration duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(duration).count());
  return text;
}

// A board's status for the gateway's error: what the library of a local board would report.
std::pair<int32_t, int32_t> BoardError(uint32_t error) {
  switch (error) {
    case kIoTimeout:
      return {EABO, TIMO};
    case kAbort:
      return {EABO, 0};
    case kNotAccessible:
      return {ENOL, 0};
    case kSyntaxError:
    case kParameterError:
    case kInvalidAddress:
      return {EARG, 0};
    case kNotSupported:
      return {ECAP, 0};
    default:  // links, locks, resources, I/O errors
      return {EDVR, 0};
  }
}

uint32_t DocmdDataSize(int32_t command) {
  return command == kSendCommand ? 1 : command == kBusStatus ? 2 : 0;
}

Bytes StatusItem(uint16_t item) {
  return {static_cast<uint8_t>(item >> 8), static_cast<uint8_t>(item)};
}

}  // namespace

uint32_t Gateway::Deadline::Milliseconds() const {
  const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
  return static_cast<uint32_t>(std::clamp<int64_t>(left, 1, UINT32_MAX));
}

Clock::time_point Gateway::Deadline::ForReply() const {
  return end + kGrace;
}

Gateway::Gateway(Endpoint endpoint, Report report)
    : endpoint_(std::move(endpoint)),
      report_(report ? std::move(report) : [](const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
      }) {}

std::optional<Gateway::Failure> Gateway::Connect(Deadline deadline) {
  const Clock::time_point by = std::min(deadline.ForReply(), Clock::now() + kSetupTime);
  std::string error;
  std::optional<uint16_t> port = endpoint_.port;
  if (!port) port = CorePortFromPortmapper(endpoint_.host, endpoint_.portmapperPort, by, error);
  if (port) client_ = RpcClient::Connect(endpoint_.host, *port, by, error);
  if (!client_)
    return Failure{.what = "cannot reach the gateway: " + error, .connectionLost = true};
  return std::nullopt;
}

template <typename Reply>
std::optional<Gateway::Failure> Gateway::Call(Procedure procedure, const Bytes& arguments,
                                              Reply& reply, Deadline deadline) {
  std::vector<Reply> replies;
  auto failure = CallEach(procedure, std::span(&arguments, 1), replies, deadline);
  if (!replies.empty()) reply = std::move(replies.front());
  return failure;
}

template <typename Reply>
std::optional<Gateway::Failure> Gateway::CallEach(Procedure procedure,
                                                  std::span<const Bytes> arguments,
                                                  std::vector<Reply>& replies, Deadline deadline) {
  replies.clear();
  if (!client_) {
    if (auto failure = Connect(deadline)) return failure;
  }
  std::vector<Bytes> results;
  if (auto failure = client_->CallEach(kDeviceCore, kDeviceCoreVersion, procedure, arguments,
                                       deadline.ForReply(), results)) {
    const bool timedOut = failure->kind == CallFailure::Kind::kTimedOut;
    return Failure{.iberr = timedOut ? EABO : EDVR,
                   .ibsta = timedOut ? TIMO : 0,
                   .what = failure->what,
                   .connectionLost = true};
  }
  for (const Bytes& each : results) {
    if (!Decode(each, replies.emplace_back())) {
      return Failure{.what = std::string("the gateway's reply to ") + ProcedureName(procedure) +
                             " is malformed",
                     .connectionLost = true};
    }
  }
  // The first error answered, in the order of the calls; what the others did is kept.
  for (const Reply& reply : replies) {
    if (reply.error == kNoError) continue;
    const auto [iberr, ibsta] = BoardError(reply.error);
    return Failure{.iberr = iberr,
                   .ibsta = ibsta,
                   .what = std::string(ProcedureName(procedure)) + " answered error " +
                           std::to_string(reply.error) + " (" + ErrorText(reply.error) + ")",
                   .error = reply.error};
  }
  return std::nullopt;
}

std::optional<Gateway::Failure> Gateway::LinkTo(uint16_t key, const std::string& device,
                                                Deadline deadline, Link& link) {
  if (const auto found = links_.find(key); found != links_.end()) {
    link = found->second;
    return std::nullopt;
  }
  const CreateLinkParms parms{.clientId = kClientId,
                              .lockDevice = false,
                              .lockTimeout = deadline.Milliseconds(),
                              .device = device};
  CreateLinkResp reply;
  if (auto failure = Call(kCreateLink, Encode(parms), reply, deadline)) {
    if (failure->error != kNoError) failure->what = device + ": " + failure->what;
    return failure;
  }
  if (reply.maxRecvSize == 0)
    return Failure{.what = device + ": the gateway offers a link that takes no bytes",
                   .connectionLost = true};
  link = links_[key] = {.lid = reply.lid, .maxRecvSize = reply.maxRecvSize};
  return std::nullopt;
}

std::optional<Gateway::Failure> Gateway::DeviceLink(BusAddress address, Deadline deadline,
                                                    Link& link) {
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on "," + std::string.
  std::string device = endpoint_.interfaceName;
  device.append(",").append(std::to_string(address.pad));
  if (address.sad != 0)
    device.append(",").append(std::to_string(address.sad - kFirstSecondaryAddress));
  return LinkTo(KeyOf(address), device, deadline, link);
}

std::optional<Gateway::Failure> Gateway::InterfaceLink(Deadline deadline, Link& link) {
  return LinkTo(kInterfaceKey, endpoint_.interfaceName, deadline, link);
}

std::optional<Gateway::Failure> Gateway::Destroy(uint16_t key, Deadline deadline) {
  const auto found = links_.find(key);
  if (found == links_.end()) return std::nullopt;
  const LinkParms parms{.lid = found->second.lid};
  links_.erase(found);
  ErrorResp reply;
  return Call(kDestroyLink, Encode(parms), reply, deadline);
}

CallStatus Gateway::Failed(const Failure& failure, std::string_view during, int64_t count) {
  report_("libgpib-32 (vxi11): " + endpoint_.host + ": " + std::string(during) + ": " +
          failure.what);
  if (failure.connectionLost) client_.reset();
  // Links are the connection's: they go with it, and with a gateway that forgot them.
  if (failure.connectionLost || failure.error == kInvalidLink) links_.clear();
  return {.ibsta = ERR | failure.ibsta, .iberr = failure.iberr, .count = count};
}

GenericParms Gateway::GenericFor(const Link& link, Deadline deadline) {
  return {.lid = link.lid,
          .flags = kWaitLock,
          .lockTimeout = deadline.Milliseconds(),
          .ioTimeout = deadline.Milliseconds()};
}

CallStatus Gateway::Write(BusAddress address, std::span<const uint8_t> data, bool end,
                          Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  Link link;
  if (auto failure = DeviceLink(address, deadline, link)) return Failed(*failure, "writing");
  size_t sent = 0;
  do {
    if (Clock::now() >= deadline.end) {
      return Failed(
          {.iberr = EABO, .ibsta = TIMO, .what = "not written within " + Seconds(timeout)},
          "writing", static_cast<int64_t>(sent));
    }
    // At most maxRecvSize bytes a call, END with the last.
    const size_t chunk = std::min<size_t>(data.size() - sent, link.maxRecvSize);
    const bool last = sent + chunk == data.size();
    const auto piece = data.subspan(sent, chunk);
    const WriteParms parms{.lid = link.lid,
                           .ioTimeout = deadline.Milliseconds(),
                           .lockTimeout = deadline.Milliseconds(),
                           .flags = kWaitLock | (last && end ? kEnd : 0),
                           .data = Bytes(piece.begin(), piece.end())};
    WriteResp reply;
    const auto failure = Call(kDeviceWrite, Encode(parms), reply, deadline);
    if (failure && failure->connectionLost)
      return Failed(*failure, "writing", static_cast<int64_t>(sent));
    if (reply.size > chunk || (!failure && reply.size == 0 && chunk > 0)) {
      return Failed({.what = "the gateway took " + std::to_string(reply.size) + " of " +
                             std::to_string(chunk) + " bytes",
                     .connectionLost = true},
                    "writing", static_cast<int64_t>(sent));
    }
    sent += reply.size;
    if (failure) return Failed(*failure, "writing", static_cast<int64_t>(sent));
  } while (sent < data.size());
  return {.ibsta = CMPL, .count = static_cast<int64_t>(sent)};
}

CallStatus Gateway::Read(BusAddress address, std::span<uint8_t> buffer, int termChar,
                         Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  Link link;
  if (auto failure = DeviceLink(address, deadline, link)) return Failed(*failure, "reading");
  size_t filled = 0;
  while (filled < buffer.size()) {
    if (Clock::now() >= deadline.end) {
      return Failed(
          {.iberr = EABO, .ibsta = TIMO, .what = "no end of message within " + Seconds(timeout)},
          "reading", static_cast<int64_t>(filled));
    }
    const ReadParms parms{.lid = link.lid,
                          .requestSize = static_cast<uint32_t>(
                              std::min<size_t>(buffer.size() - filled, kMaxReadRequest)),
                          .ioTimeout = deadline.Milliseconds(),
                          .lockTimeout = deadline.Milliseconds(),
                          .flags = kWaitLock | (termChar >= 0 ? kTermCharSet : 0),
                          .termChar = static_cast<uint32_t>(std::max(termChar, 0))};
    ReadResp reply;
    const auto failure = Call(kDeviceRead, Encode(parms), reply, deadline);
    if (failure && failure->connectionLost)
      return Failed(*failure, "reading", static_cast<int64_t>(filled));
    // What the gateway read before an error counts too; more than was asked for never fits.
    if (reply.data.size() > parms.requestSize) {
      return Failed({.what = "the gateway sent " + std::to_string(reply.data.size()) +
                             " bytes for " + std::to_string(parms.requestSize) + " asked",
                     .connectionLost = true},
                    "reading", static_cast<int64_t>(filled));
    }
    std::copy(reply.data.begin(), reply.data.end(),
              buffer.begin() + static_cast<std::ptrdiff_t>(filled));
    filled += reply.data.size();
    if (failure) return Failed(*failure, "reading", static_cast<int64_t>(filled));
    if ((reply.reason & (kReasonEnd | kReasonCharacter)) != 0)
      return {.ibsta = CMPL | END, .count = static_cast<int64_t>(filled)};
  }
  return {.ibsta = CMPL, .count = static_cast<int64_t>(filled)};
}

CallStatus Gateway::SerialPoll(BusAddress address, uint8_t& status, Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  Link link;
  if (auto failure = DeviceLink(address, deadline, link)) return Failed(*failure, "serial poll");
  const GenericParms parms = GenericFor(link, deadline);
  ReadStbResp reply;
  if (auto failure = Call(kDeviceReadStb, Encode(parms), reply, deadline))
    return Failed(*failure, "serial poll");
  status = static_cast<uint8_t>(reply.stb);
  return {.ibsta = CMPL};
}

CallStatus Gateway::Act(BusAddress address, Action action, Clock::duration timeout) {
  const Procedure procedure = action == Action::kClear   ? kDeviceClear
                              : action == Action::kLocal ? kDeviceLocal
                                                         : kDeviceTrigger;
  const Deadline deadline = After(timeout);
  Link link;
  auto failure = DeviceLink(address, deadline, link);
  if (!failure) {
    const GenericParms parms = GenericFor(link, deadline);
    ErrorResp reply;
    failure = Call(procedure, Encode(parms), reply, deadline);
  }
  if (failure) return Failed(*failure, ProcedureName(procedure));
  return {.ibsta = CMPL};
}

CallStatus Gateway::Release(BusAddress address, Clock::duration timeout) {
  if (auto failure = Destroy(KeyOf(address), After(timeout)))
    return Failed(*failure, "ending the link");
  return {.ibsta = CMPL};
}

Bytes Gateway::DocmdCall(const Link& link, int32_t command, const Bytes& data, Deadline deadline) {
  return Encode(DocmdParms{.lid = link.lid,
                           .flags = kWaitLock,
                           .ioTimeout = deadline.Milliseconds(),
                           .lockTimeout = deadline.Milliseconds(),
                           .cmd = command,
                           .networkOrder = true,
                           .dataSize = static_cast<int32_t>(DocmdDataSize(command)),
                           .data = data});
}

std::optional<Gateway::Failure> Gateway::Docmd(int32_t command, const Bytes& data,
                                               Deadline deadline, Bytes& answer) {
  Link link;
  if (auto failure = InterfaceLink(deadline, link)) return failure;
  DocmdResp reply;
  if (auto failure = Call(kDeviceDocmd, DocmdCall(link, command, data, deadline), reply, deadline))
    return failure;
  answer = std::move(reply.data);
  return std::nullopt;
}

std::optional<Gateway::Failure> Gateway::SendCommand(const Bytes& bytes, Deadline deadline) {
  Bytes echo;
  return Docmd(kSendCommand, bytes, deadline, echo);
}

std::optional<Gateway::Failure> Gateway::Listening(std::span<const BusAddress> addresses,
                                                   Deadline deadline,
                                                   std::vector<bool>& listening) {
  Link link;
  if (auto failure = InterfaceLink(deadline, link)) return failure;
  const Bytes askNotDataAccepted =
      DocmdCall(link, kBusStatus, StatusItem(kStatusNotDataAccepted), deadline);
  std::vector<Bytes> calls;
  for (const BusAddress address : addresses) {
    Bytes command{kUnlisten, static_cast<uint8_t>(kListenAddress | address.pad)};
    if (address.sad != 0) command.push_back(static_cast<uint8_t>(address.sad));
    calls.push_back(DocmdCall(link, kSendCommand, command, deadline));
    calls.push_back(askNotDataAccepted);
  }
  std::vector<DocmdResp> replies;
  if (auto failure = CallEach(kDeviceDocmd, calls, replies, deadline)) return failure;
  listening.clear();
  for (size_t status = 1; status < replies.size(); status += 2) {
    bool asserted = false;
    if (auto failure = Asserted(replies[status].data, asserted)) return failure;
    listening.push_back(asserted);
  }
  return std::nullopt;
}

std::optional<Gateway::Failure> Gateway::AddListeners(std::span<const BusAddress> asked,
                                                      const std::vector<bool>& listening,
                                                      Deadline deadline,
                                                      std::vector<BusAddress>& found) {
  for (size_t k = 0; k < asked.size(); ++k) {
    if (listening[k]) {
      found.push_back(asked[k]);
      continue;
    }
    if (asked[k].sad != 0 || !endpoint_.scanSecondary) continue;
    // As FindLstn: a primary address where nothing listens gives its secondary listeners.
    std::vector<BusAddress> secondaries;
    for (int32_t sad = kFirstSecondaryAddress; sad <= kLastSecondaryAddress; ++sad)
      secondaries.push_back({asked[k].pad, sad});
    std::vector<bool> heard;
    if (auto failure = Listening(secondaries, deadline, heard)) return failure;
    for (size_t j = 0; j < secondaries.size(); ++j) {
      if (heard[j]) found.push_back(secondaries[j]);
    }
  }
  return std::nullopt;
}

CallStatus Gateway::FindListeners(std::span<const BusAddress> candidates,
                                  std::vector<BusAddress>& found, Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  found.clear();
  // The gateway's own address 0 is never asked.
  std::vector<BusAddress> asked;
  std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(asked),
               [](BusAddress candidate) { return candidate.pad != 0; });
  std::vector<bool> listening;
  auto failure = Listening(asked, deadline, listening);
  if (!failure) failure = AddListeners(asked, listening, deadline, found);
  if (!failure) failure = SendCommand({kUnlisten}, deadline);
  if (failure && failure->error == kNotSupported) return PollListeners(asked, found, deadline);
  if (failure) return Failed(*failure, "finding listeners");
  return {.ibsta = CMPL, .count = static_cast<int64_t>(found.size())};
}

CallStatus Gateway::PollListeners(std::span<const BusAddress> asked, std::vector<BusAddress>& found,
                                  Deadline deadline) {
  found.clear();
  for (const BusAddress candidate : asked) {
    Link link;
    if (auto failure = DeviceLink(candidate, deadline, link))
      return Failed(*failure, "finding listeners");
    // Each silent address costs the poll time-out: the gateway is told it, and waited for
    // that long and the grace. So the secondary addresses of a silent primary address are not
    // polled: they would cost 31 time-outs each.
    const Deadline poll{std::min(deadline.end, Clock::now() + endpoint_.pollTimeout)};
    const GenericParms parms = GenericFor(link, poll);
    ReadStbResp reply;
    const auto failure = Call(kDeviceReadStb, Encode(parms), reply, poll);
    if (!failure) {
      found.push_back(candidate);
      continue;
    }
    const bool silent = failure->error == kIoTimeout || failure->error == kIoError ||
                        failure->error == kNotAccessible;
    if (!silent) return Failed(*failure, "finding listeners");
    if (auto destroyed = Destroy(KeyOf(candidate), deadline))
      return Failed(*destroyed, "finding listeners");
  }
  return {.ibsta = CMPL, .count = static_cast<int64_t>(found.size())};
}

CallStatus Gateway::InterfaceClear(Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  Bytes answer;
  auto failure = Docmd(kIfcControl, {}, deadline, answer);
  if (failure && failure->error == kNotSupported) {
    // Without device_docmd, a device_clear of the interface link is its interface clear.
    Link link;
    failure = InterfaceLink(deadline, link);
    if (!failure) {
      const GenericParms parms = GenericFor(link, deadline);
      ErrorResp reply;
      failure = Call(kDeviceClear, Encode(parms), reply, deadline);
    }
  }
  if (failure) return Failed(*failure, "interface clear");
  return {.ibsta = CMPL};
}

CallStatus Gateway::UniversalClear(Clock::duration timeout) {
  if (auto failure = SendCommand({kDeviceClearAll}, After(timeout)))
    return Failed(*failure, "device clear");
  return {.ibsta = CMPL};
}

std::optional<Gateway::Failure> Gateway::BusStatus(uint16_t item, Deadline deadline,
                                                   bool& asserted) {
  Bytes status;
  if (auto failure = Docmd(kBusStatus, StatusItem(item), deadline, status)) return failure;
  return Asserted(status, asserted);
}

std::optional<Gateway::Failure> Gateway::Asserted(const Bytes& status, bool& asserted) {
  if (status.size() != 2)
    return Failure{.what = "a bus status of " + std::to_string(status.size()) + " bytes",
                   .connectionLost = true};
  asserted = (status[0] | status[1]) != 0;
  return std::nullopt;
}

CallStatus Gateway::WaitForServiceRequest(bool& asserted, Clock::duration timeout) {
  const Deadline deadline = After(timeout);
  asserted = false;
  for (;;) {
    if (auto failure = BusStatus(kStatusServiceRequest, deadline, asserted))
      return Failed(*failure, "waiting for a service request");
    if (asserted) return {.ibsta = CMPL};
    if (Clock::now() + kServiceRequestPoll >= deadline.end) return {.ibsta = CMPL | TIMO};
    std::this_thread::sleep_for(kServiceRequestPoll);
  }
}

}  // namespace vxi11
