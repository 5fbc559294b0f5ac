// The host's operating-system calls on Windows.
#include "platform/platform.h"

#include <io.h>

namespace scopehost::platform {

// Windows has no owner-only default to widen.
bool GiveUsualFileMode(const std::filesystem::path&) {
  return true;
}

int SyncToDisk(int descriptor) {
  return _commit(descriptor);
}

}  // namespace scopehost::platform
