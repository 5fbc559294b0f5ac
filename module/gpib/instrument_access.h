// The rules every conversation with an instrument follows: opening a configured device and
// letting it go, writing commands, judging a call by ERR, and ending text replies at the
// received count. Device-level calls (Hameg, Philips) work on a unit descriptor; board-level
// calls (Tektronix) name board 0 and a bus address.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "driver/module_globals.h"
#include "ni488/ni488.h"

constexpr int32_t kBoard = 0;
constexpr int32_t kDeviceTimeout = T10s;

// True when the last call set ERR in ibsta (time-outs included).
bool LastCallFailed();
// Bytes the last transfer moved, by ibcnt (or ibcntl), confined to 0 ... limit so that a
// miscounting library cannot make the module read or terminate past its buffer.
int32_t ReceivedCount(int32_t limit);
int32_t ReceivedCountLong(int32_t limit);

// ibfind, the settle wait, then (for a descriptor of zero or more) online and a 10 s time-out.
// Returns the descriptor; negative when the device could not be found.
int OpenInstrument(const char* deviceName);
// Back to local operation, then the descriptor is given up.
void ReleaseInstrument(int ud);
// The descriptor is given up without sending the device to local first.
void TakeOffline(int ud);
// OpenInstrument; when no descriptor comes back, message cantOpen is reported with the device
// name in place of "%1". The descriptor, negative when nothing was opened.
int OpenInstrumentOrReport(const char* deviceName, UINT cantOpen);
// A failure the user is told of after a device-level open: the message, then the device is
// taken offline. Always false, for the caller to return.
bool FailTakingOffline(int ud, UINT message);

// Writes the command's bytes (no terminating NUL); true unless ERR.
bool WriteCommand(int ud, std::string_view command);
// Reads at most buffer.size() - 1 bytes and ends the text with a NUL after the bytes received.
// The text, or nothing when the read failed.
std::optional<std::string_view> ReadText(int ud, std::span<char> buffer);
// Reads at most `limit` raw bytes; the count received, or nothing when the read failed.
std::optional<int32_t> ReadBytes(int ud, void* buffer, int32_t limit);

// Board level: Send(0, address, bytes, NLend); true unless ERR.
bool SendToAddress(Addr4882_t address, std::string_view bytes);
// Board level: Receive(0, address, buffer, limit, STOPend); the count received (ibcnt), or
// nothing when ERR.
std::optional<int32_t> ReceiveFromAddress(Addr4882_t address, void* buffer, int32_t limit);

// Waits, asleep, until the calendar clock reaches its next whole second, bounded to one second
// by the monotonic clock so that a clock set back cannot hang the host.
void SettleWait();
// Replaces the calendar clock the settle wait reads; null restores the runtime's time.
void SetCalendarClock(CalendarClock clock);
