#include "device_links.h"

#include <algorithm>
#include <thread>

namespace gpibsim::gateway {

namespace {

using namespace vxi11;

constexpr size_t kMaxLinks = 64;
constexpr uint16_t kInterfaceLockKey = 0xFFFF;
constexpr std::string_view kInterfaceName = "gpib0";
constexpr uint8_t kUnlisten = 0x3F;
constexpr uint8_t kFirstListen = 0x20;
constexpr uint8_t kDeviceClearAll = 0x14;
constexpr uint8_t kSelectedDeviceClear = 0x04;
constexpr int32_t kAtnControl = 0x020002;
constexpr int32_t kRenControl = 0x020003;
// Bus status items beside SRQ and NDAC.
constexpr uint16_t kStatusRemote = 1;
constexpr uint16_t kStatusSystemController = 4;
constexpr uint16_t kStatusControllerInCharge = 5;
constexpr uint16_t kStatusBusAddress = 8;

bool IsListenAddress(uint8_t byte) {
  return byte >= kFirstListen && byte < kUnlisten;
}

bool IsSecondaryAddress(uint8_t byte) {
  return byte >= kFirstSecondaryAddress && byte <= kLastSecondaryAddress;
}

}  // namespace

template <typename Parms, typename Handler>
std::optional<Bytes> DeviceLinks::With(std::span<const uint8_t> arguments, bool& garbage,
                                       Handler handler) {
  Parms parms;
  garbage = !Decode(arguments, parms);
  if (garbage) return Bytes{};
  Lock lock(mutex_);
  return Encode(handler(lock, parms));
}

std::optional<Bytes> DeviceLinks::Serve(int connection, uint32_t procedure,
                                        std::span<const uint8_t> arguments, Notes& notes) {
  bool& garbage = notes.garbage;
  switch (procedure) {
    case kCreateLink:
      return With<CreateLinkParms>(arguments, garbage, [&](Lock& lock, const auto& parms) {
        return CreateLink(lock, connection, parms);
      });
    case kDeviceWrite:
      return With<WriteParms>(arguments, garbage,
                              [&](Lock& lock, const auto& parms) { return Write(lock, parms); });
    case kDeviceRead:
      return With<ReadParms>(arguments, garbage, [&](Lock& lock, const auto& parms) {
        ReadResp reply = Read(lock, parms);
        notes.busBytes = reply.data.size();
        return reply;
      });
    case kDeviceReadStb:
      return With<GenericParms>(
          arguments, garbage, [&](Lock& lock, const auto& parms) { return ReadStb(lock, parms); });
    case kDeviceTrigger:
    case kDeviceClear:
    case kDeviceRemote:
    case kDeviceLocal:
      return With<GenericParms>(arguments, garbage, [&](Lock& lock, const auto& parms) {
        return Generic(lock, procedure, parms);
      });
    case kDeviceLock:
      return With<LockParms>(arguments, garbage, [&](Lock& lock, const auto& parms) {
        return LockDevice(lock, parms);
      });
    case kDeviceUnlock:
      return With<LinkParms>(arguments, garbage,
                             [&](Lock&, const auto& parms) { return Unlock(parms.lid); });
    case kDeviceDocmd:
      return With<DocmdParms>(arguments, garbage,
                              [&](Lock& lock, const auto& parms) { return Docmd(lock, parms); });
    case kDestroyLink:
      return With<LinkParms>(arguments, garbage,
                             [&](Lock&, const auto& parms) { return Destroy(parms.lid); });
    default:
      return std::nullopt;
  }
}

void DeviceLinks::Disconnected(int connection) {
  Lock lock(mutex_);
  std::vector<int32_t> gone;
  for (const auto& [lid, link] : links_) {
    if (link.connection == connection) gone.push_back(lid);
  }
  for (const int32_t lid : gone) Destroy(lid);
}

void DeviceLinks::RefuseNextLink() {
  Lock lock(mutex_);
  refuseNextLink_ = true;
}

uint16_t DeviceLinks::LockKey(const Link& link) {
  return link.interface ? kInterfaceLockKey : static_cast<uint16_t>(link.pad | link.sad << 8);
}

void DeviceLinks::WaitOut(Lock& lock, uint32_t milliseconds) {
  lock.unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  lock.lock();
}

uint32_t DeviceLinks::Usable(Lock& lock, int32_t lid, uint32_t flags, uint32_t lockTimeout) {
  if (!links_.contains(lid)) return kInvalidLink;
  const auto free = [&] {
    const auto link = links_.find(lid);
    if (link == links_.end()) return true;
    const auto holder = locks_.find(LockKey(link->second));
    return holder == locks_.end() || holder->second == lid;
  };
  if ((flags & kWaitLock) != 0)
    unlocked_.wait_for(lock, std::chrono::milliseconds(lockTimeout), free);
  if (!links_.contains(lid)) return kInvalidLink;
  return free() ? kNoError : kLockedByAnother;
}

template <typename Parms>
DeviceLinks::Link* DeviceLinks::InstrumentLink(Lock& lock, const Parms& parms, uint32_t& error) {
  error = Usable(lock, parms.lid, parms.flags, parms.lockTimeout);
  if (error == kNoError && links_.at(parms.lid).interface) error = kNotSupported;
  return error == kNoError ? &links_.at(parms.lid) : nullptr;
}

template <typename Parms>
DeviceLinks::Link* DeviceLinks::FlushedInstrumentLink(Lock& lock, const Parms& parms,
                                                      uint32_t& error) {
  Link* link = InstrumentLink(lock, parms, error);
  if (link != nullptr) Deliver(*link, NULLend);
  return link;
}

CreateLinkResp DeviceLinks::CreateLink(Lock& lock, int connection, const CreateLinkParms& parms) {
  CreateLinkResp reply{.maxRecvSize = behaviour_.maxRecvSize};
  if (refuseNextLink_ || links_.size() >= kMaxLinks) {
    refuseNextLink_ = false;
    reply.error = kOutOfResources;
    return reply;
  }
  const std::string_view device = parms.device;
  Link link;
  link.connection = connection;
  if (!device.starts_with(kInterfaceName)) {
    reply.error = kNotAccessible;
    return reply;
  }
  std::string_view rest = device.substr(kInterfaceName.size());
  if (rest.empty()) {
    link.interface = true;
  } else {
    const size_t second = rest.find(',', 1);
    const auto pad = rest.front() == ','
                         ? DecimalIn(rest.substr(1, second - 1), kLastPrimaryAddress)
                         : std::nullopt;
    const auto sad = second == std::string_view::npos
                         ? std::optional(-1)
                         : DecimalIn(rest.substr(second + 1), kLastPrimaryAddress);
    if (!pad || !sad) {
      reply.error = kInvalidAddress;
      return reply;
    }
    link.pad = *pad;
    link.sad = *sad < 0 ? 0 : kFirstSecondaryAddress + *sad;
  }
  const int32_t lid = nextLid_++;
  links_[lid] = link;
  if (parms.lockDevice) {
    const LockParms lockParms{.lid = lid, .flags = kWaitLock, .lockTimeout = parms.lockTimeout};
    if (const ErrorResp locked = LockDevice(lock, lockParms); locked.error != kNoError) {
      links_.erase(lid);
      reply.error = locked.error;
      return reply;
    }
  }
  reply.lid = lid;
  return reply;
}

void DeviceLinks::Deliver(Link& link, int32_t endMode) {
  // The simulated bus takes whole messages: the bytes of writes without END wait for the
  // write with END, or for the next operation on the instrument.
  if (link.pending.empty()) return;
  bus_.Send(Bus::kBoard, MakeAddr(link.pad, link.sad), link.pending.data(),
            static_cast<int32_t>(link.pending.size()), endMode);
  link.pending.clear();
}

WriteResp DeviceLinks::Write(Lock& lock, const WriteParms& parms) {
  WriteResp reply;
  Link* link = InstrumentLink(lock, parms, reply.error);
  if (link == nullptr) return reply;
  if (parms.data.size() > behaviour_.maxRecvSize) {
    reply.error = kParameterError;
    return reply;
  }
  if (!bus_.ListensAt(link->pad, link->sad)) {
    reply.error = kIoError;  // no listener holds the handshake
    return reply;
  }
  link->pending.insert(link->pending.end(), parms.data.begin(), parms.data.end());
  if ((parms.flags & kEnd) != 0) Deliver(*link, DABend);
  reply.size = static_cast<uint32_t>(parms.data.size());
  return reply;
}

ReadResp DeviceLinks::Read(Lock& lock, const ReadParms& parms) {
  ReadResp reply;
  Link* link = FlushedInstrumentLink(lock, parms, reply.error);
  if (link == nullptr) return reply;
  const bool termChar = (parms.flags & kTermCharSet) != 0;
  const uint32_t limit = std::min(parms.requestSize, behaviour_.maxReadReply);
  // Byte by byte when a termination character must be found, so that the rest stays with
  // the talker.
  const int32_t piece = termChar ? 1 : static_cast<int32_t>(limit);
  Bytes buffer(static_cast<size_t>(piece));
  const Addr4882_t address = MakeAddr(link->pad, link->sad);
  while (reply.data.size() < limit) {
    const Outcome read = bus_.Receive(
        Bus::kBoard, address, buffer.data(),
        std::min<int32_t>(piece, static_cast<int32_t>(limit - reply.data.size())), STOPend);
    if ((read.ibsta & ERR) != 0) {
      if (!reply.data.empty()) return reply;  // what came before the talker fell silent
      WaitOut(lock, parms.ioTimeout);
      reply.error = kIoTimeout;
      return reply;
    }
    reply.data.insert(reply.data.end(), buffer.begin(), buffer.begin() + read.count);
    if ((read.ibsta & END) != 0) reply.reason |= kReasonEnd;
    if (termChar && read.count > 0 && reply.data.back() == static_cast<uint8_t>(parms.termChar))
      reply.reason |= kReasonCharacter;
    if (reply.reason != 0) break;
  }
  if (reply.data.size() == parms.requestSize) reply.reason |= kReasonRequestCount;
  return reply;
}

ReadStbResp DeviceLinks::ReadStb(Lock& lock, const GenericParms& parms) {
  ReadStbResp reply;
  Link* link = FlushedInstrumentLink(lock, parms, reply.error);
  if (link == nullptr) return reply;
  int16_t status = 0;
  // An address nobody answers at.
  if (!bus_.ListensAt(link->pad, link->sad) ||
      (bus_.ReadStatusByte(Bus::kBoard, MakeAddr(link->pad, link->sad), &status).ibsta & ERR) !=
          0) {
    WaitOut(lock, parms.ioTimeout);
    reply.error = kIoTimeout;
    return reply;
  }
  reply.stb = static_cast<uint8_t>(status);
  return reply;
}

ErrorResp DeviceLinks::Generic(Lock& lock, uint32_t procedure, const GenericParms& parms) {
  ErrorResp reply;
  reply.error = Usable(lock, parms.lid, parms.flags, parms.lockTimeout);
  if (reply.error != kNoError) return reply;
  Link& link = links_.at(parms.lid);
  if (link.interface) {
    if (procedure != kDeviceClear) {
      reply.error = kNotSupported;
    } else {
      bus_.SendIfc(Bus::kBoard);
      listeners_.clear();
    }
    return reply;
  }
  Device* device = bus_.DeviceAt(link.pad, link.sad);
  if (device == nullptr || !device->Listens()) {
    reply.error = kIoError;
    return reply;
  }
  Deliver(link, NULLend);
  if (procedure == kDeviceClear) bus_.DevClear(Bus::kBoard, MakeAddr(link.pad, link.sad));
  if (procedure == kDeviceRemote) device->remote = true;
  if (procedure == kDeviceLocal) device->remote = false;
  return reply;  // device_trigger: the simulated instruments have no trigger input
}

ErrorResp DeviceLinks::LockDevice(Lock& lock, const LockParms& parms) {
  const auto link = links_.find(parms.lid);
  if (link == links_.end()) return {.error = kInvalidLink};
  const uint16_t key = LockKey(link->second);
  if (locks_.contains(key) && locks_.at(key) == parms.lid) return {.error = kNoError};
  const uint32_t usable = Usable(lock, parms.lid, parms.flags, parms.lockTimeout);
  if (usable != kNoError) return {.error = usable};
  locks_[key] = parms.lid;
  return {.error = kNoError};
}

ErrorResp DeviceLinks::Unlock(int32_t lid) {
  const auto link = links_.find(lid);
  if (link == links_.end()) return {.error = kInvalidLink};
  const auto held = locks_.find(LockKey(link->second));
  if (held == locks_.end() || held->second != lid) return {.error = kNoLockHeld};
  locks_.erase(held);
  unlocked_.notify_all();
  return {.error = kNoError};
}

ErrorResp DeviceLinks::Destroy(int32_t lid) {
  if (!links_.contains(lid)) return {.error = kInvalidLink};
  Unlock(lid);
  links_.erase(lid);
  return {.error = kNoError};
}

DocmdResp DeviceLinks::Docmd(Lock& lock, const DocmdParms& parms) {
  DocmdResp reply;
  reply.error = Usable(lock, parms.lid, parms.flags, parms.lockTimeout);
  if (reply.error != kNoError) return reply;
  if (!behaviour_.docmd || !links_.at(parms.lid).interface) {
    reply.error = kNotSupported;
    return reply;
  }
  switch (parms.cmd) {
    case kSendCommand:
      reply.error = parms.dataSize == 1 ? SendCommand(parms.data) : kParameterError;
      if (reply.error == kNoError) reply.data = parms.data;
      break;
    case kBusStatus:
      reply.error = parms.dataSize == 2 ? BusStatus(parms.data, reply.data) : kParameterError;
      break;
    case kIfcControl:
      bus_.SendIfc(Bus::kBoard);
      listeners_.clear();
      break;
    case kAtnControl:
    case kRenControl:
      break;  // the simulated bus keeps no ATN or REN line
    default:
      reply.error = kNotSupported;
  }
  return reply;
}

uint32_t DeviceLinks::SendCommand(std::span<const uint8_t> bytes) {
  for (const uint8_t byte : bytes) {
    if (byte == kUnlisten) {
      listeners_.clear();
    } else if (IsListenAddress(byte)) {
      listeners_.push_back(MakeAddr(byte - kFirstListen, 0));
    } else if (IsSecondaryAddress(byte) && !listeners_.empty()) {
      listeners_.back() = MakeAddr(GetPAD(listeners_.back()), byte);
    } else if (byte == kDeviceClearAll) {
      bus_.DevClear(Bus::kBoard, NOADDR);
    } else if (byte == kSelectedDeviceClear) {
      for (const Addr4882_t listener : listeners_) bus_.DevClear(Bus::kBoard, listener);
    }
  }
  return kNoError;
}

uint32_t DeviceLinks::BusStatus(std::span<const uint8_t> item, Bytes& answer) const {
  if (item.size() != 2) return kParameterError;
  const uint16_t which = static_cast<uint16_t>(item[0] << 8 | item[1]);
  uint16_t value = 0;
  switch (which) {
    case kStatusServiceRequest:
      break;  // no simulated instrument requests service
    case kStatusNotDataAccepted:
      // A listener at the address it was addressed at (primary, or primary and secondary)
      // holds NDAC.
      value = std::any_of(listeners_.begin(), listeners_.end(), [this](Addr4882_t listener) {
        return bus_.ListensAt(GetPAD(listener), GetSAD(listener));
      });
      break;
    case kStatusRemote:
    case kStatusSystemController:
    case kStatusControllerInCharge:
      value = 1;
      break;
    case 6:  // TALKER
    case 7:  // LISTENER
    case kStatusBusAddress:
      break;  // the gateway is at address 0 and neither talks nor listens
    default:
      return kParameterError;
  }
  answer = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  return kNoError;
}

}  // namespace gpibsim::gateway
