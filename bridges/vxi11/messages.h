// The VXI-11 core channel's messages (program 0x0607AF, version 1) and the VXI-11.2 GPIB
// commands of device_docmd, each struct's members in wire order.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "xdr.h"

namespace vxi11 {

constexpr uint32_t kDeviceCore = 0x0607AF;
constexpr uint32_t kDeviceCoreVersion = 1;

enum Procedure : uint32_t {
  kCreateLink = 10,
  kDeviceWrite = 11,
  kDeviceRead = 12,
  kDeviceReadStb = 13,
  kDeviceTrigger = 14,
  kDeviceClear = 15,
  kDeviceRemote = 16,
  kDeviceLocal = 17,
  kDeviceLock = 18,
  kDeviceUnlock = 19,
  kDeviceDocmd = 22,
  kDestroyLink = 23,
};

// Device_Flags
constexpr uint32_t kWaitLock = 0x01;
constexpr uint32_t kEnd = 0x08;
constexpr uint32_t kTermCharSet = 0x80;

// Device_ReadResp reasons
constexpr uint32_t kReasonRequestCount = 0x01;
constexpr uint32_t kReasonCharacter = 0x02;
constexpr uint32_t kReasonEnd = 0x04;

// Device_ErrorCode
enum ErrorCode : uint32_t {
  kNoError = 0,
  kSyntaxError = 1,
  kNotAccessible = 3,
  kInvalidLink = 4,
  kParameterError = 5,
  kChannelNotEstablished = 6,
  kNotSupported = 8,
  kOutOfResources = 9,
  kLockedByAnother = 11,
  kNoLockHeld = 12,
  kIoTimeout = 15,
  kIoError = 17,
  kInvalidAddress = 21,
  kAbort = 23,
  kChannelAlreadyEstablished = 29,
};

// device_docmd commands of VXI-11.2 on a GPIB interface link.
constexpr int32_t kSendCommand = 0x020000;  // data: bytes sent with ATN asserted
constexpr int32_t kBusStatus = 0x020001;    // data: a 16-bit item; answer: its 16-bit value
constexpr int32_t kIfcControl = 0x020010;   // pulses IFC
constexpr uint16_t kStatusServiceRequest = 2;
constexpr uint16_t kStatusNotDataAccepted = 3;  // NDAC: some listener holds it

struct CreateLinkParms {
  int32_t clientId = 0;
  bool lockDevice = false;
  uint32_t lockTimeout = 0;
  std::string device;
  static auto Fields(auto& m) {
    return std::tie(m.clientId, m.lockDevice, m.lockTimeout, m.device);
  }
};

struct CreateLinkResp {
  uint32_t error = 0;
  int32_t lid = 0;
  uint32_t abortPort = 0;  // u_short on the wire, as every XDR integer a 4-byte word
  uint32_t maxRecvSize = 0;
  static auto Fields(auto& m) { return std::tie(m.error, m.lid, m.abortPort, m.maxRecvSize); }
};

struct WriteParms {
  int32_t lid = 0;
  uint32_t ioTimeout = 0;
  uint32_t lockTimeout = 0;
  uint32_t flags = 0;
  Bytes data;
  static auto Fields(auto& m) {
    return std::tie(m.lid, m.ioTimeout, m.lockTimeout, m.flags, m.data);
  }
};

struct WriteResp {
  uint32_t error = 0;
  uint32_t size = 0;
  static auto Fields(auto& m) { return std::tie(m.error, m.size); }
};

struct ReadParms {
  int32_t lid = 0;
  uint32_t requestSize = 0;
  uint32_t ioTimeout = 0;
  uint32_t lockTimeout = 0;
  uint32_t flags = 0;
  uint32_t termChar = 0;  // char on the wire
  static auto Fields(auto& m) {
    return std::tie(m.lid, m.requestSize, m.ioTimeout, m.lockTimeout, m.flags, m.termChar);
  }
};

struct ReadResp {
  uint32_t error = 0;
  uint32_t reason = 0;
  Bytes data;
  static auto Fields(auto& m) { return std::tie(m.error, m.reason, m.data); }
};

// device_readstb, device_trigger, device_clear, device_remote, device_local.
struct GenericParms {
  int32_t lid = 0;
  uint32_t flags = 0;
  uint32_t lockTimeout = 0;
  uint32_t ioTimeout = 0;
  static auto Fields(auto& m) { return std::tie(m.lid, m.flags, m.lockTimeout, m.ioTimeout); }
};

struct ReadStbResp {
  uint32_t error = 0;
  uint32_t stb = 0;  // u_char on the wire
  static auto Fields(auto& m) { return std::tie(m.error, m.stb); }
};

struct LockParms {
  int32_t lid = 0;
  uint32_t flags = 0;
  uint32_t lockTimeout = 0;
  static auto Fields(auto& m) { return std::tie(m.lid, m.flags, m.lockTimeout); }
};

// device_unlock and destroy_link take the link alone.
struct LinkParms {
  int32_t lid = 0;
  static auto Fields(auto& m) { return std::tie(m.lid); }
};

struct ErrorResp {
  uint32_t error = 0;
  static auto Fields(auto& m) { return std::tie(m.error); }
};

struct DocmdParms {
  int32_t lid = 0;
  uint32_t flags = 0;
  uint32_t ioTimeout = 0;
  uint32_t lockTimeout = 0;
  int32_t cmd = 0;
  bool networkOrder = true;
  int32_t dataSize = 0;
  Bytes data;
  static auto Fields(auto& m) {
    return std::tie(m.lid, m.flags, m.ioTimeout, m.lockTimeout, m.cmd, m.networkOrder, m.dataSize,
                    m.data);
  }
};

struct DocmdResp {
  uint32_t error = 0;
  Bytes data;
  static auto Fields(auto& m) { return std::tie(m.error, m.data); }
};

// The portmapper's GETPORT: a mapping in, a port out (0: not registered).
struct Mapping {
  uint32_t program = 0;
  uint32_t version = 0;
  uint32_t protocol = 0;
  uint32_t port = 0;
  static auto Fields(auto& m) { return std::tie(m.program, m.version, m.protocol, m.port); }
};

struct PortResp {
  uint32_t port = 0;
  static auto Fields(auto& m) { return std::tie(m.port); }
};

// What an error code means, for the line that reports it.
const char* ErrorText(uint32_t error);
const char* ProcedureName(uint32_t procedure);

// A number in a device name ("gpib0,5,3") or resource: decimal digits only, 0 to high.
inline std::optional<int32_t> DecimalIn(std::string_view text, int32_t high) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < 0 ||
      value > high)
    return std::nullopt;
  return value;
}

}  // namespace vxi11
