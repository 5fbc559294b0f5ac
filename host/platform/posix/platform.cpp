// The host's operating-system calls on POSIX.
#include "platform/platform.h"

#include <sys/stat.h>
#include <unistd.h>

namespace scopehost::platform {

// mkstemp makes the file readable by its owner only; an output file gets the usual rights.
bool GiveUsualFileMode(const std::filesystem::path& path) {
  const mode_t mask = umask(0);
  umask(mask);
  return chmod(path.c_str(), static_cast<mode_t>(0666 & ~mask)) == 0;
}

int SyncToDisk(int descriptor) {
  return fsync(descriptor);
}

}  // namespace scopehost::platform
