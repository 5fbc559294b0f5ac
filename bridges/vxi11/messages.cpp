#include "messages.h"

namespace vxi11 {

const char* ErrorText(uint32_t error) {
  switch (error) {
    case kNoError:
      return "no error";
    case kSyntaxError:
      return "syntax error";
    case kNotAccessible:
      return "device not accessible";
    case kInvalidLink:
      return "invalid link identifier";
    case kParameterError:
      return "parameter error";
    case kChannelNotEstablished:
      return "channel not established";
    case kNotSupported:
      return "operation not supported";
    case kOutOfResources:
      return "out of resources";
    case kLockedByAnother:
      return "device locked by another link";
    case kNoLockHeld:
      return "no lock held by this link";
    case kIoTimeout:
      return "I/O timeout";
    case kIoError:
      return "I/O error";
    case kInvalidAddress:
      return "invalid address";
    case kAbort:
      return "abort";
    case kChannelAlreadyEstablished:
      return "channel already established";
    default:
      return "unknown error";
  }
}

const char* ProcedureName(uint32_t procedure) {
  switch (procedure) {
    case kCreateLink:
      return "create_link";
    case kDeviceWrite:
      return "device_write";
    case kDeviceRead:
      return "device_read";
    case kDeviceReadStb:
      return "device_readstb";
    case kDeviceTrigger:
      return "device_trigger";
    case kDeviceClear:
      return "device_clear";
    case kDeviceRemote:
      return "device_remote";
    case kDeviceLocal:
      return "device_local";
    case kDeviceLock:
      return "device_lock";
    case kDeviceUnlock:
      return "device_unlock";
    case kDeviceDocmd:
      return "device_docmd";
    case kDestroyLink:
      return "destroy_link";
    default:
      return "an unknown procedure";
  }
}

}  // namespace vxi11
