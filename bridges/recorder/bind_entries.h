// The 22 names bound through a platform's lookup (a name to an address, null when missing).
#pragma once

#include <optional>
#include <string>

#include "front.h"

namespace gpib_recorder {

template <typename Lookup>
std::optional<gpib_front::GpibEntries> BindEntries(Lookup&& lookup, std::string& why) {
  gpib_front::GpibEntries entries;
  bool complete = true;
  const auto bind = [&](const char* name, auto& slot) {
    // Through void*: an entry may be a variable.
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(lookup(name));
    if (slot == nullptr) {
      why += (complete ? "it lacks " : ", ") + std::string(name);
      complete = false;
    }
  };
  bind("user_ibsta", entries.ibsta);
  bind("user_iberr", entries.iberr);
  bind("user_ibcntl", entries.ibcntl);
  bind("ibclr", entries.ibclr);
  bind("ibdev", entries.ibdev);
  bind("ibonl", entries.ibonl);
  bind("ibrd", entries.ibrd);
  bind("ibrsp", entries.ibrsp);
  bind("ibtrg", entries.ibtrg);
  bind("ibwait", entries.ibwait);
  bind("ibwrt", entries.ibwrt);
  bind("ibfindA", entries.ibfindA);
  bind("ibloc", entries.ibloc);
  bind("ibtmo", entries.ibtmo);
  bind("DevClear", entries.DevClear);
  bind("FindLstn", entries.FindLstn);
  bind("ReadStatusByte", entries.ReadStatusByte);
  bind("Receive", entries.Receive);
  bind("Send", entries.Send);
  bind("SendIFC", entries.SendIFC);
  bind("WaitSRQ", entries.WaitSRQ);
  if (!complete) return std::nullopt;
  return entries;
}

}  // namespace gpib_recorder
