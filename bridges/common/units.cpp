#include "units.h"

namespace gpib_bridge {

std::chrono::steady_clock::duration TimeoutOf(int32_t code) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(TimeoutSeconds(code == TNONE ? T1000s : code)));
}

int32_t Units::Open(const Unit& unit) {
  descriptors_.push_back({.opened = unit, .current = unit, .open = true});
  return static_cast<int32_t>(descriptors_.size());
}

Unit* Units::Find(int32_t ud) {
  if (ud < 1 || static_cast<size_t>(ud) > descriptors_.size()) return nullptr;
  Descriptor& descriptor = descriptors_[static_cast<size_t>(ud - 1)];
  return descriptor.open ? &descriptor.current : nullptr;
}

bool Units::Online(int32_t ud, bool online) {
  if (Find(ud) == nullptr) return false;
  Descriptor& descriptor = descriptors_[static_cast<size_t>(ud - 1)];
  if (online) {
    descriptor.current = descriptor.opened;
  } else {
    descriptor.open = false;
  }
  return true;
}

bool Units::OthersAt(int32_t ud, BusAddress address) const {
  for (size_t i = 0; i < descriptors_.size(); ++i) {
    const Descriptor& other = descriptors_[i];
    if (other.open && static_cast<int32_t>(i + 1) != ud && other.current.address == address)
      return true;
  }
  return false;
}

}  // namespace gpib_bridge
