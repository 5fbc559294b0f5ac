// The bus scan: board 0 takes control, finds every listener at addresses 1 to 30 and asks each
// for its identification; the instruments whose identification starts with the searched maker
// are kept, and the user chooses when there is more than one.
#include "instruments/tektronix_scan/tektronix_scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "driver/messages.h"
#include "gpib/command_bytes.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "instruments/tektronix_scan/device_chooser_dialog.h"
#include "resources/resource.h"

namespace {

constexpr std::string_view kIdentify = Sent("*IDN?", 5);
// Only the start of a long identification is read; the rest stays unread in the instrument.
constexpr int32_t kIdentityLimit = 10;
// The identification is compared over the length of the maker's name, "TEKTRONIX".
constexpr size_t kComparedLength = 9;
constexpr int32_t kLastAddress = kLastPrimaryAddress;
constexpr int32_t kResultEntries = kLastAddress + 1;

// 0, 1, ..., 30 and the terminator; the scan hands FindLstn the list from its second entry,
// so address 0 (the board itself) is never polled.
constexpr std::array<Addr4882_t, kLastAddress + 2> kAddressList = [] {
  std::array<Addr4882_t, kLastAddress + 2> list{};
  for (int32_t pad = 0; pad <= kLastAddress; ++pad) list[pad] = static_cast<Addr4882_t>(pad);
  list[kLastAddress + 1] = NOADDR;
  return list;
}();

// The listener count FindLstn left in ibcntl, as a 16-bit number, kept within the result list
// so that no entry beyond it is read.
int32_t ListenerCount() {
  return std::clamp<int32_t>(static_cast<int16_t>(*Gpib.ibcntl), 0, kResultEntries);
}

// Whether the identification names the searched maker. The reply is cut before its last byte
// received: a full read leaves the first nine characters, and a reply of nothing is empty text.
bool Identifies(std::span<char> reply, const char* searchText) {
  const int32_t received = ReceivedCountLong(kIdentityLimit);
  reply[static_cast<size_t>(std::max(received - 1, 0))] = '\0';
  return std::strncmp(reply.data(), searchText, kComparedLength) == 0;
}

}  // namespace

int TektronixScanner(const char* searchText, int16_t* address) {
  DeviceChooserDialog chooser(nullptr);

  Gpib.SendIFC(kBoard);
  if (LastCallFailed()) {
    ReportMessage(IDS_SEND_IFC);
    return 0;
  }

  std::array<Addr4882_t, kResultEntries> listeners{};
  Gpib.FindLstn(kBoard, kAddressList.data() + 1, listeners.data(), kResultEntries);
  if (LastCallFailed()) {
    ReportMessage(IDS_NO_LISTENERS);
    return 0;
  }

  int matches = 0;
  const int32_t listenerCount = ListenerCount();
  for (int32_t i = 0; i < listenerCount; ++i) {
    // The whole entry (with any secondary address) is talked to; the primary address is kept.
    const Addr4882_t listener = listeners[static_cast<size_t>(i)];
    if (!SendToAddress(listener, kIdentify)) {
      ReportMessage(IDS_SEND_ERROR);
      return 0;
    }
    std::array<char, kIdentityLimit + 1> reply{};
    if (!ReceiveFromAddress(listener, reply.data(), kIdentityLimit)) {
      ReportMessage(IDS_RECEIVE_ERROR);
      return 0;
    }
    if (Identifies(reply, searchText)) {
      const int primary = GetPAD(listener);
      *address = static_cast<int16_t>(primary);
      chooser.AddEntry(searchText, primary);
      ++matches;
    }
  }

  if (matches > 1) {
    *address = chooser.DoModal() == IDOK ? static_cast<int16_t>(chooser.m_chosenAddress)
                                         : static_cast<int16_t>(-1);
  }
  if (matches == 0) {
    ReportPrintfMessage(IDS_DID_NOT_FIND, searchText);
    return 0;
  }
  return 1;
}
