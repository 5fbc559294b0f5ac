#include "closed_descriptor_watch.h"

#include <cstdio>

#include "ni488/ni488.h"
#include "user_library.h"

namespace linux_gpib {

void ClosedDescriptorWatch::Found(int32_t ud, std::string_view name) {
  names_[ud] = name;
}

void ClosedDescriptorWatch::Called(int32_t ud, int32_t ibsta, int32_t iberr,
                                   std::optional<int32_t> online) {
  const auto named = names_.find(ud);
  if (justOnline_ == ud && named != names_.end() && (ibsta & ERR) != 0 && iberr == EDVR) {
    std::fprintf(stderr,
                 "%s%s (descriptor %d) was closed by ibonl(%d, 1), as linux-gpib does when "
                 "/etc/gpib.conf lists a device before the interface: put the interface "
                 "block first\n",
                 kLinePrefix, named->second.c_str(), ud, ud);
  }
  justOnline_.reset();
  if (!online || named == names_.end()) return;
  if (*online != 0) {
    justOnline_ = ud;
  } else {
    names_.erase(named);
  }
}

}  // namespace linux_gpib
