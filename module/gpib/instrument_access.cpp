#include "gpib/instrument_access.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "driver/messages.h"
#include "gpib/gpib_api.h"

namespace {

using Seconds = std::chrono::duration<double>;

// Once the predicted boundary has passed, the wait reads the clock again after a nap that
// doubles each time: a calendar clock a tick behind the system clock costs a millisecond or
// two, and one that was set back a dozen readings before the one-second bound ends the wait.
constexpr Seconds kFirstNap = std::chrono::milliseconds(1);

// How long until the calendar clock shows `second`, by the system clock that the runtime's
// time follows; negative once that instant has passed (always, for a test's clock of the past).
Seconds UntilCalendarSecond(std::time_t second) {
  const Seconds now = std::chrono::system_clock::now().time_since_epoch();
  return Seconds(static_cast<double>(second)) - now;
}

int32_t Clamp(int32_t count, int32_t limit) {
  return std::clamp(count, 0, std::max(limit, 0));
}

}  // namespace

bool LastCallFailed() {
  return (*Gpib.ibsta & ERR) != 0;
}
int32_t ReceivedCount(int32_t limit) {
  return Clamp(*Gpib.ibcnt, limit);
}
int32_t ReceivedCountLong(int32_t limit) {
  return Clamp(*Gpib.ibcntl, limit);
}

void SetCalendarClock(CalendarClock clock) {
  Module().Clock = clock ? clock : &std::time;
}

void SettleWait() {
  // The instrument needs a moment after ibfind; waiting for the next whole second of the
  // calendar clock gives it between almost nothing and one second. The thread sleeps
  // meanwhile: to the boundary the system clock predicts, then in short naps.
  const CalendarClock calendarClock = Module().Clock;
  const std::time_t target = calendarClock(nullptr) + 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  Seconds nap = kFirstNap;
  while (calendarClock(nullptr) < target) {
    const Seconds left = deadline - std::chrono::steady_clock::now();
    if (left <= Seconds::zero()) break;
    std::this_thread::sleep_for(std::min(left, std::max(UntilCalendarSecond(target), nap)));
    nap *= 2;
  }
}

int OpenInstrument(const char* deviceName) {
  const int ud = Gpib.ibfind(deviceName);
  SettleWait();
  if (ud < 0) return ud;
  Gpib.ibonl(ud, 1);
  Gpib.ibtmo(ud, kDeviceTimeout);
  return ud;
}

void ReleaseInstrument(int ud) {
  Gpib.ibloc(ud);
  Gpib.ibonl(ud, 0);
}

void TakeOffline(int ud) {
  Gpib.ibonl(ud, 0);
}

int OpenInstrumentOrReport(const char* deviceName, UINT cantOpen) {
  const int ud = OpenInstrument(deviceName);
  if (ud < 0) ReportFormattedMessage(cantOpen, deviceName);
  return ud;
}

bool FailTakingOffline(int ud, UINT message) {
  ReportMessage(message);
  TakeOffline(ud);
  return false;
}

bool WriteCommand(int ud, std::string_view command) {
  Gpib.ibwrt(ud, command.data(), static_cast<int32_t>(command.size()));
  return !LastCallFailed();
}

std::optional<std::string_view> ReadText(int ud, std::span<char> buffer) {
  const auto limit = static_cast<int32_t>(buffer.size()) - 1;
  Gpib.ibrd(ud, buffer.data(), limit);
  if (LastCallFailed()) return std::nullopt;
  const int32_t count = ReceivedCount(limit);
  buffer[static_cast<size_t>(count)] = '\0';
  return std::string_view(buffer.data(), static_cast<size_t>(count));
}

std::optional<int32_t> ReadBytes(int ud, void* buffer, int32_t limit) {
  Gpib.ibrd(ud, buffer, limit);
  if (LastCallFailed()) return std::nullopt;
  return ReceivedCount(limit);
}

bool SendToAddress(Addr4882_t address, std::string_view bytes) {
  Gpib.Send(kBoard, address, bytes.data(), static_cast<int32_t>(bytes.size()), NLend);
  return !LastCallFailed();
}

std::optional<int32_t> ReceiveFromAddress(Addr4882_t address, void* buffer, int32_t limit) {
  Gpib.Receive(kBoard, address, buffer, limit, STOPend);
  if (LastCallFailed()) return std::nullopt;
  return ReceivedCount(limit);
}
