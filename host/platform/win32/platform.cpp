// The host's operating-system calls on Windows.
#include "platform/platform.h"

#include <io.h>
#include <windows.h>

namespace scopehost::platform {

// Windows has no owner-only default to widen.
bool GiveUsualFileMode(const std::filesystem::path&) {
  return true;
}

int SyncToDisk(int descriptor) {
  return _commit(descriptor);
}

// The process's own environment, which GetEnvironmentVariableA in a library loaded later reads.
void SetEnvironment(const char* name, const std::string& value) {
  SetEnvironmentVariableA(name, value.c_str());
}

}  // namespace scopehost::platform
