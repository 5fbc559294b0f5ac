#include "descriptors.h"

namespace gpibsim {

int32_t Descriptors::Open(const DescriptorSettings& settings) {
  const int32_t ud = next_++;
  open_.emplace(ud, Descriptor{settings, settings});
  return ud;
}

Descriptor* Descriptors::Find(int32_t ud) {
  const auto found = open_.find(ud);
  return found == open_.end() ? nullptr : &found->second;
}

void Descriptors::Reset() {
  open_.clear();
  next_ = 1;
}

}  // namespace gpibsim
