#include "scanning/bus_scan.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "ni488/bound_entries.h"

namespace scopehost {

namespace {

constexpr int32_t kBoard = 0;
constexpr int32_t kFirstAddress = 1, kLastAddress = kLastPrimaryAddress;
constexpr int32_t kScanTimeout = T1s;  // an instrument answers well within
constexpr int32_t kEoiWithLastByte = 1, kNoEos = 0;
constexpr std::string_view kIdentify = "*IDN?\n";
constexpr size_t kReplyLimit = 256;

// The loaded library's calls and status variables.
class ScanCalls : public GpibEntries {
 public:
  explicit ScanCalls(const SharedLibrary& gpib) {
    std::string missing;
    const auto lookup = [&gpib](const char* name) -> void* {
      try {
        return gpib.Symbol(name);
      } catch (const LoadError&) {
        return nullptr;
      }
    };
    const auto note = [&missing](const char* name) {
      if (missing.empty()) missing = name;
    };
    if (!BindGpibEntries(*this, lookup, note)) {
      throw LoadError(gpib.path().string() + " does not export " + missing +
                      "; is it a GPIB library?");
    }
  }

  bool Failed() const { return (*ibsta & ERR) != 0; }
  void ThrowIfFailed(const char* call) const {
    if (Failed()) {
      throw ScanError(std::string(call) + " on board 0 failed (iberr " + std::to_string(*iberr) +
                      ")");
    }
  }
};

// Printable text: line ends dropped, other control bytes as \xNN.
std::string Printable(std::string_view reply) {
  while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) {
    reply.remove_suffix(1);
  }
  std::string text;
  for (const char c : reply) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    }
  }
  return text;
}

std::optional<std::string> Identify(const ScanCalls& calls, int32_t pad, int32_t sad) {
  const int32_t ud = calls.ibdev(kBoard, pad, sad, kScanTimeout, kEoiWithLastByte, kNoEos);
  if (ud < 0) return std::nullopt;
  std::optional<std::string> identity;
  calls.ibwrt(ud, kIdentify.data(), static_cast<int32_t>(kIdentify.size()));
  if (!calls.Failed()) {
    std::array<char, kReplyLimit> reply{};
    calls.ibrd(ud, reply.data(), static_cast<int32_t>(reply.size()));
    const size_t received =
        std::min<size_t>(static_cast<size_t>(std::max(*calls.ibcntl, 0)), reply.size());
    if (!calls.Failed()) identity = Printable({reply.data(), received});
  }
  // Back to local, so that no front panel stays locked by the scan.
  calls.ibloc(ud);
  calls.ibonl(ud, 0);
  return identity;
}

}  // namespace

std::vector<Listener> ScanBus(const SharedLibrary& gpib) {
  const ScanCalls calls(gpib);
  calls.SendIFC(kBoard);
  calls.ThrowIfFailed("SendIFC");

  std::array<Addr4882_t, kLastAddress - kFirstAddress + 2> addresses{};
  for (int32_t pad = kFirstAddress; pad <= kLastAddress; ++pad) {
    addresses[static_cast<size_t>(pad - kFirstAddress)] = MakeAddr(pad, 0);
  }
  addresses.back() = NOADDR;
  std::array<Addr4882_t, kLastAddress - kFirstAddress + 1> found{};
  calls.FindLstn(kBoard, addresses.data(), found.data(), static_cast<int32_t>(found.size()));
  calls.ThrowIfFailed("FindLstn");
  const size_t count =
      std::min<size_t>(static_cast<size_t>(std::max(*calls.ibcntl, 0)), found.size());

  std::vector<Listener> listeners;
  for (size_t i = 0; i < count; ++i) {
    const int32_t pad = GetPAD(found[i]), sad = GetSAD(found[i]);
    listeners.push_back({pad, sad, Identify(calls, pad, sad)});
  }
  return listeners;
}

int32_t SecondaryAddress(const Listener& listener) {
  return listener.sad == 0 ? -1 : listener.sad - kFirstSecondaryAddress;
}

std::string ListenerTable(const std::vector<Listener>& listeners) {
  if (listeners.empty()) return "no listener on board 0\n";
  std::string table;
  for (const Listener& listener : listeners) {
    char address[32];
    if (listener.sad == 0) {
      std::snprintf(address, sizeof address, "%3d", listener.pad);
    } else {
      std::snprintf(address, sizeof address, "%3d/%d", listener.pad, SecondaryAddress(listener));
    }
    table +=
        std::string(address) + "  " + listener.identity.value_or("(no answer to *IDN?)") + "\n";
  }
  return table;
}

}  // namespace scopehost
