#include "bus.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace gpibsim {

namespace {

constexpr uint8_t kLineFeed = '\n';
constexpr uint8_t kMessageAvailable = 0x10;  // MAV bit of an IEEE 488.2 status byte

std::span<const uint8_t> BytesOf(const void* buffer, int32_t count) {
  return {static_cast<const uint8_t*>(buffer), static_cast<size_t>(count)};
}

}  // namespace

Outcome Outcome::Failure(int32_t error, int32_t extraStatus) {
  Outcome outcome;
  outcome.ibsta = ERR | CMPL | extraStatus;  // the call has ended, if in failure
  outcome.iberr = error;
  return outcome;
}

Outcome Outcome::Moved(std::span<const uint8_t> bytes, int32_t count) {
  Outcome outcome;
  outcome.count = count;
  outcome.data.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                         std::min(bytes.size(), kKeptBytes)));
  outcome.dataTotal = static_cast<int32_t>(bytes.size());
  return outcome;
}

// --- Set-up ---------------------------------------------------------------------------------

void Bus::Reset() {
  for (auto& device : devices_) device.reset();
  names_.clear();
  descriptors_.Reset();
  clock_ = 0.0;
  transferRate_ = 0.0;
  controllerInCharge_ = false;
  boardTimeout_ = T10s;
}

size_t Bus::Slot(int32_t pad, int32_t sad) {
  const int32_t secondary = sad == 0 ? 0 : 1 + sad - kFirstSecondaryAddress;
  return static_cast<size_t>(pad) * kSlotsPerPad + static_cast<size_t>(secondary);
}

void Bus::Attach(int32_t pad, std::unique_ptr<Device> device, int32_t sad) {
  devices_.at(Slot(pad, sad)) = std::move(device);
}

Device* Bus::DeviceAt(int32_t pad, int32_t sad) const {
  if (pad < kFirstAddress || pad > kLastAddress || !ValidSecondaryAddress(sad)) return nullptr;
  return devices_[Slot(pad, sad)].get();
}

bool Bus::ListensAt(int32_t pad, int32_t sad) const {
  const Device* device = DeviceAt(pad, sad);
  return device != nullptr && device->Listens();
}

std::vector<Addr4882_t> Bus::ListenersAt(Addr4882_t address) const {
  const int32_t pad = GetPAD(address);
  if (ListensAt(pad, GetSAD(address))) return {address};
  std::vector<Addr4882_t> found;
  if (GetSAD(address) != 0) return found;
  for (int32_t sad = kFirstSecondaryAddress; sad <= kLastSecondaryAddress; ++sad) {
    if (ListensAt(pad, sad)) found.push_back(MakeAddr(pad, sad));
  }
  return found;
}

Bus::Target Bus::ByDescriptor(int32_t ud) const {
  Target target;
  target.descriptor = descriptors_.Find(ud);
  if (target.descriptor == nullptr) {
    target.error = EDVR;
  } else {
    target.device = DeviceAt(target.descriptor->current.pad, target.descriptor->current.sad);
  }
  return target;
}

Bus::Target Bus::ByAddress(int32_t board, Addr4882_t address) const {
  Target target;
  if (board != kBoard) {
    target.error = EDVR;
  } else if (address == NOADDR || GetPAD(address) > kLastAddress ||
             !ValidSecondaryAddress(GetSAD(address))) {
    target.error = EARG;
  } else {
    target.device = DeviceAt(GetPAD(address), GetSAD(address));
  }
  return target;
}

std::optional<Outcome> Bus::Refused(const Target& target, bool argumentsValid) {
  if (target.error) return Outcome::Failure(*target.error);
  if (!argumentsValid) return Outcome::Failure(EARG);
  if (target.device == nullptr) return Outcome::Failure(ENOL);
  return std::nullopt;
}

// --- Moving bytes ---------------------------------------------------------------------------

void Bus::Pace(size_t bytes) {
  if (transferRate_ <= 0.0) return;
  const double seconds = static_cast<double>(bytes) / transferRate_;
  Elapse(seconds);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void Bus::Deliver(Device& device, std::span<const uint8_t> message) {
  Pace(message.size());
  device.remote = true;  // addressed to listen while REN is asserted
  device.OnMessage(message);
}

Outcome Bus::ReadFrom(Device& device, void* buffer, int32_t count, int32_t timeout) {
  ReadOutcome read = device.Read(static_cast<size_t>(count));
  if (read.timedOut) {
    // The reader waits out its time-out in simulated time only. TNONE would wait forever on
    // a real bus; here it ends at once, so that a test cannot hang.
    Elapse(TimeoutSeconds(timeout));
    return Outcome::Failure(EABO, TIMO);
  }
  if (!read.bytes.empty()) std::memcpy(buffer, read.bytes.data(), read.bytes.size());
  Pace(read.bytes.size());
  Outcome outcome = Outcome::Moved(read.bytes, static_cast<int32_t>(read.bytes.size()));
  if (read.end) outcome.ibsta |= END;
  return outcome;
}

// --- Device level ---------------------------------------------------------------------------

Outcome Bus::Find(const char* name) {
  if (name == nullptr) return Outcome::Failure(EARG);
  const auto found = names_.find(name);
  if (found == names_.end()) return Outcome::Failure(EDVR);
  Outcome outcome;
  outcome.descriptor =
      descriptors_.Open({.pad = GetPAD(found->second), .sad = GetSAD(found->second)});
  return outcome;
}

Outcome Bus::Dev(int32_t board, int32_t pad, int32_t sad, int32_t timeout, int32_t eot,
                 int32_t eos) {
  if (board != kBoard) return Outcome::Failure(EDVR);
  if (!ValidPrimaryAddress(pad) || !ValidSecondaryAddress(sad) || !ValidTimeoutCode(timeout)) {
    return Outcome::Failure(EARG);
  }
  Outcome outcome;
  outcome.descriptor =
      descriptors_.Open({.pad = pad, .sad = sad, .timeout = timeout, .eot = eot, .eos = eos});
  return outcome;
}

Outcome Bus::Online(int32_t ud, int32_t online) {
  Descriptor* descriptor = descriptors_.Find(ud);
  if (descriptor == nullptr) return Outcome::Failure(EDVR);
  if (online != 0) {
    descriptor->current = descriptor->configured;
  } else {
    descriptors_.Close(ud);
  }
  return {};
}

Outcome Bus::Write(int32_t ud, const void* buffer, int32_t count) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target, ValidBuffer(buffer, count))) return *refused;
  const auto message = BytesOf(buffer, count);
  Deliver(*target.device, message);
  return Outcome::Moved(message, count);
}

Outcome Bus::Read(int32_t ud, void* buffer, int32_t count) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target, ValidBuffer(buffer, count))) return *refused;
  return ReadFrom(*target.device, buffer, count, target.descriptor->current.timeout);
}

Outcome Bus::Clear(int32_t ud) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target)) return *refused;
  target.device->OnClear();
  return {};
}

Outcome Bus::Local(int32_t ud) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target)) return *refused;
  target.device->remote = false;
  return {};
}

Outcome Bus::SetTimeout(int32_t ud, int32_t timeout) {
  Descriptor* descriptor = descriptors_.Find(ud);
  if (descriptor == nullptr) return Outcome::Failure(EDVR);
  if (!ValidTimeoutCode(timeout)) return Outcome::Failure(EARG);
  descriptor->current.timeout = timeout;
  return {};
}

Outcome Bus::SerialPoll(int32_t ud, char* statusByte) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target, statusByte != nullptr)) return *refused;
  *statusByte = static_cast<char>(target.device->HasOutput() ? kMessageAvailable : 0);
  return {};
}

Outcome Bus::Trigger(int32_t ud) {
  const Target target = ByDescriptor(ud);
  if (auto refused = Refused(target)) return *refused;
  return {};
}

Outcome Bus::Wait(int32_t ud, int32_t mask) {
  Descriptor* descriptor = descriptors_.Find(ud);
  if (descriptor == nullptr) return Outcome::Failure(EDVR);
  // No simulated device requests service, so a wait for RQS lasts the whole time-out.
  if ((mask & RQS) == 0) return {};
  Elapse(TimeoutSeconds(descriptor->current.timeout));
  Outcome outcome;
  outcome.ibsta |= TIMO;
  return outcome;
}

// --- Board level ----------------------------------------------------------------------------

Outcome Bus::SendIfc(int32_t board) {
  if (board != kBoard) return Outcome::Failure(EDVR);
  controllerInCharge_ = true;
  return {};
}

Outcome Bus::FindListeners(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                           int32_t limit) {
  if (board != kBoard) return Outcome::Failure(EDVR);
  if (addresses == nullptr || !ValidBuffer(results, limit)) return Outcome::Failure(EARG);
  if (!controllerInCharge_) return Outcome::Failure(ECIC);
  int32_t stored = 0;
  bool tableFull = false;
  for (const Addr4882_t* address = addresses; *address != NOADDR && !tableFull; ++address) {
    for (const Addr4882_t listener : ListenersAt(*address)) {
      if (stored == limit) {
        tableFull = true;
        break;
      }
      results[stored++] = listener;
    }
  }
  Outcome outcome = tableFull ? Outcome::Failure(ETAB) : Outcome{};
  outcome.count = stored;
  return outcome;
}

Outcome Bus::Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                  int32_t eotMode) {
  const Target target = ByAddress(board, address);
  const bool validEnd = eotMode == NULLend || eotMode == NLend || eotMode == DABend;
  if (auto refused = Refused(target, ValidBuffer(buffer, count) && validEnd)) return *refused;
  const auto data = BytesOf(buffer, count);
  Bytes message(data.begin(), data.end());
  if (eotMode == NLend) message.push_back(kLineFeed);  // the board adds it, with EOI
  Deliver(*target.device, message);
  return Outcome::Moved(message, count);
}

Outcome Bus::Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                     int32_t termination) {
  const Target target = ByAddress(board, address);
  // STOPend, or an end-of-string byte, which the simulated bus does not look for: a read
  // stops at EOI or at the count either way.
  const bool validEnd = termination == STOPend || (termination >= 0 && termination <= 0xFF);
  if (auto refused = Refused(target, ValidBuffer(buffer, count) && validEnd)) return *refused;
  return ReadFrom(*target.device, buffer, count, boardTimeout_);
}

Outcome Bus::DevClear(int32_t board, Addr4882_t address) {
  if (board == kBoard && address == NOADDR) {  // device clear to every device at once
    for (const auto& device : devices_) {
      if (device) device->OnClear();
    }
    return {};
  }
  const Target target = ByAddress(board, address);
  if (auto refused = Refused(target)) return *refused;
  target.device->OnClear();
  return {};
}

Outcome Bus::ReadStatusByte(int32_t board, Addr4882_t address, int16_t* result) {
  const Target target = ByAddress(board, address);
  if (auto refused = Refused(target, result != nullptr)) return *refused;
  *result = target.device->HasOutput() ? kMessageAvailable : 0;
  return {};
}

Outcome Bus::WaitSrq(int32_t board, int16_t* result) {
  if (board != kBoard) return Outcome::Failure(EDVR);
  if (result == nullptr) return Outcome::Failure(EARG);
  // Nobody asserts SRQ: the wait ends with the board's time-out and a result of 0.
  Elapse(TimeoutSeconds(boardTimeout_));
  *result = 0;
  Outcome outcome;
  outcome.ibsta |= TIMO;
  return outcome;
}

}  // namespace gpibsim
